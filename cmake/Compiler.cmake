# Flags shared by every target of the project.

# Results must match independent computations to the last digit: no fused multiply-add.
add_compile_options(-ffp-contract=off -Wall -Wextra)
if(PELORIN_WERROR)
  add_compile_options(-Werror)
endif()

if(PELORIN_SANITIZE)
  set(PELORIN_SANITIZER_FLAGS -fsanitize=address,undefined -fno-sanitize-recover=undefined
                              -fno-omit-frame-pointer)
  add_compile_options(${PELORIN_SANITIZER_FLAGS})
  add_link_options(${PELORIN_SANITIZER_FLAGS})
endif()

if(PELORIN_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    message(FATAL_ERROR "PELORIN_FUZZ needs clang (libFuzzer)")
  endif()
  # Coverage instrumentation for every library; only the fuzz executables link libFuzzer's main.
  add_compile_options(-fsanitize=fuzzer-no-link)
endif()
