# Fails when a source file includes a header of a higher layer, or when code below the
# interface includes Qt. Run as: cmake -DROOT=<tree> -P CheckLayers.cmake
#
# Layers, lowest first; a folder's layer is that of its longest matching prefix.
set(layer_prefixes
  "Platform=0"
  "Shared=1"
  "MorvNode/Model=2" "MorvNode/Elements=2"
  "MorvNode/Controller=3" "MorvNode/Nodes=3" "MorvNode/Document=3"
  "MorvNode/Editor=4" "MorvNode/Inspector=4" "MorvNode/Interface=4"
  "Shared/ODTextField=4" "Shared/ODDropView=4" "Shared/LockingSplitView=4" "Shared/SVGView=4" "Shared/ODAnimation/Timeline=4"
  "App=5")
set(first_qt_layer 4)

if(NOT DEFINED ROOT)
  message(FATAL_ERROR "Pass -DROOT=<source tree>")
endif()

# Sets ${out} to the layer of a repository-relative path, or -1 outside every layer.
function(layer_of path out)
  set(best -1)
  set(best_length 0)
  foreach(entry IN LISTS layer_prefixes)
    string(REPLACE "=" ";" pair "${entry}")
    list(GET pair 0 prefix)
    list(GET pair 1 layer)
    string(LENGTH "${prefix}" length)
    string(FIND "${path}/" "${prefix}/" at)
    if(at EQUAL 0 AND length GREATER best_length)
      set(best ${layer})
      set(best_length ${length})
    endif()
  endforeach()
  set(${out} ${best} PARENT_SCOPE)
endfunction()

file(GLOB_RECURSE sources RELATIVE "${ROOT}"
  "${ROOT}/Platform/*.h" "${ROOT}/Platform/*.cpp"
  "${ROOT}/Shared/*.h" "${ROOT}/Shared/*.cpp"
  "${ROOT}/MorvNode/*.h" "${ROOT}/MorvNode/*.cpp"
  "${ROOT}/App/*.h" "${ROOT}/App/*.cpp")

set(violations "")
foreach(source IN LISTS sources)
  layer_of("${source}" own)
  if(own LESS 0)
    continue()
  endif()
  file(STRINGS "${ROOT}/${source}" includes REGEX "^[ \t]*#[ \t]*include[ \t]*[\"<]")
  foreach(line IN LISTS includes)
    if(line MATCHES "#[ \t]*include[ \t]*\"([^\"]+)\"")
      layer_of("${CMAKE_MATCH_1}" included)
      if(included GREATER own)
        string(APPEND violations "  ${source}: ${CMAKE_MATCH_1} is in a higher layer\n")
      endif()
    elseif(line MATCHES "#[ \t]*include[ \t]*<(Q[A-Za-z]*)" AND own LESS first_qt_layer)
      string(APPEND violations "  ${source}: <${CMAKE_MATCH_1}> is Qt, which starts at the interface\n")
    endif()
  endforeach()
endforeach()

if(violations)
  message(FATAL_ERROR "Layer rule broken:\n${violations}")
endif()
list(LENGTH sources count)
message(STATUS "Layer rule holds for ${count} files")
