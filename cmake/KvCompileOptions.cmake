# Warnings and floating-point rules shared by every target of the project.
#
# The LUT maths must be evaluated exactly as written, in single precision and
# without fused multiply-add contraction, so that the GPU kernels and any
# vectorised routine can be compared with it bit for bit.
add_library(kv_compile_options INTERFACE)
target_compile_options(kv_compile_options INTERFACE
  -Wall -Wextra
  $<$<BOOL:${KV_WARNINGS_AS_ERRORS}>:-Werror>)

add_library(kv_exact_float INTERFACE)
target_compile_options(kv_exact_float INTERFACE -ffp-contract=off -fno-fast-math)
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" OR CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
  # SSE2 arithmetic keeps float intermediates in float (x87 would widen them).
  if(CMAKE_SYSTEM_PROCESSOR MATCHES "x86_64|AMD64|amd64")
    target_compile_options(kv_exact_float INTERFACE -mfpmath=sse)
  endif()
endif()
