# Strict warnings for the project's own targets (never for third-party code).
function(kv_strict_warnings target)
  if(MSVC)
    # MSVC builds are not checked by this repository's CI, so its warnings are reported, not fatal.
    target_compile_options(${target} PRIVATE /W4 /permissive- /utf-8)
  else()
    target_compile_options(${target} PRIVATE -Wall -Wextra -Werror)
  endif()
endfunction()
