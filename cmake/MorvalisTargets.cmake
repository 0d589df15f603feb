# Per-target defaults: warnings and, in the debug preset, sanitizers.
function(morv_target_defaults target)
  target_compile_options(${target} PRIVATE -Wall -Wextra)
  target_compile_features(${target} PUBLIC cxx_std_20)
endfunction()

if(MORVALIS_SANITIZE)
  # Sanitizers apply to everything we compile and link, tests included.
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()
