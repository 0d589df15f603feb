# Per-target defaults: warnings and, in the debug preset, sanitizers.
function(morv_target_defaults target)
  # Designated initialisers leave fields at their defaults on purpose (the node kit's specs), which
  # GCC 12's -Wextra would report one field at a time.
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wno-missing-field-initializers)
  target_compile_features(${target} PUBLIC cxx_std_20)
endfunction()

# One static library per layer. A layer's headers are reachable only through its own include
# root in the build tree, which holds links to the layer's folders alone; that root is PUBLIC,
# so a library sees its own folders and those of the layers it links (the ones below it), and
# an include of a higher layer does not compile. The repository root is never an include path.
#   morv_layer_library(morvmodel FOLDERS MorvNode/Model MorvNode/Elements)
function(morv_layer_library target)
  cmake_parse_arguments(LAYER "" "" "FOLDERS" ${ARGN})
  set(root "${PROJECT_BINARY_DIR}/include/${target}")
  foreach(folder IN LISTS LAYER_FOLDERS)
    get_filename_component(parent "${root}/${folder}" DIRECTORY)
    file(MAKE_DIRECTORY "${parent}")
    if(NOT IS_SYMLINK "${root}/${folder}")
      file(CREATE_LINK "${PROJECT_SOURCE_DIR}/${folder}" "${root}/${folder}" SYMBOLIC)
    endif()
  endforeach()
  add_library(${target} STATIC)
  morv_target_defaults(${target})
  target_include_directories(${target} PUBLIC "${root}")
endfunction()

if(MORVALIS_SANITIZE AND MORVALIS_TSAN)
  message(FATAL_ERROR "MORVALIS_SANITIZE and MORVALIS_TSAN cannot be combined")
endif()
if(MORVALIS_SANITIZE)
  # Sanitizers apply to everything we compile and link, tests included.
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()
if(MORVALIS_TSAN)
  # The renderer and the property-list storage order their hand-overs with fences, which GCC's
  # ThreadSanitizer does not model; it says so once per file (-Wtsan).
  add_compile_options(-fsanitize=thread -fno-omit-frame-pointer -Wno-tsan)
  add_link_options(-fsanitize=thread)
endif()
