# Turns a kernel text file into a C++ source defining one NUL-terminated
# 8-bit string with CR LF line ends, as the GPU drivers are handed it.
#
#   cmake -DINPUT=<file> -DOUTPUT=<file.cpp> -DSYMBOL=<name> [-DINLINE=ON] -P EmbedKernelText.cmake
#
# With INLINE, every line `#include "name"` is replaced by that file (looked up
# beside INPUT, recursively) minus its `#pragma once`, so the OpenCL compiler
# gets one self-contained text. Runs in CMake script mode only, so the Windows
# cross build needs nothing beyond CMake.
cmake_minimum_required(VERSION 3.25)

foreach(arg INPUT OUTPUT SYMBOL)
  if(NOT DEFINED ${arg})
    message(FATAL_ERROR "EmbedKernelText: ${arg} is required")
  endif()
endforeach()

get_filename_component(kv_dir "${INPUT}" DIRECTORY)

function(kv_inline_includes text out depth)
  if(depth GREATER 8)
    message(FATAL_ERROR "EmbedKernelText: includes nested too deeply")
  endif()
  string(REGEX MATCHALL "#include \"[^\"\n]+\"" kv_includes "${text}")
  foreach(kv_line IN LISTS kv_includes)
    string(REGEX REPLACE "#include \"([^\"\n]+)\"" "\\1" kv_name "${kv_line}")
    if(NOT EXISTS "${kv_dir}/${kv_name}")
      message(FATAL_ERROR "EmbedKernelText: ${kv_dir}/${kv_name} not found")
    endif()
    file(READ "${kv_dir}/${kv_name}" kv_part)
    string(REGEX REPLACE "#pragma once\r?\n" "" kv_part "${kv_part}")
    math(EXPR kv_next "${depth} + 1")
    kv_inline_includes("${kv_part}" kv_part ${kv_next})
    string(REPLACE "${kv_line}\n" "${kv_part}" text "${text}")
    string(REPLACE "${kv_line}\r\n" "${kv_part}" text "${text}")
  endforeach()
  set(${out} "${text}" PARENT_SCOPE)
endfunction()

file(READ "${INPUT}" kv_text)
if(INLINE)
  kv_inline_includes("${kv_text}" kv_text 0)
endif()

# Normalise line ends to LF first, so a checkout with CR LF gives the same text.
string(REPLACE "\r\n" "\n" kv_text "${kv_text}")
string(REPLACE "\r" "\n" kv_text "${kv_text}")

# Escape for a C++ string literal; each source line becomes one literal piece.
string(REPLACE "\\" "\\\\" kv_text "${kv_text}")
string(REPLACE "\"" "\\\"" kv_text "${kv_text}")
string(REPLACE "\t" "\\t" kv_text "${kv_text}")
string(REPLACE "\n" "\\r\\n\"\n    \"" kv_text "${kv_text}")

file(WRITE "${OUTPUT}.tmp"
  "// Generated from ${INPUT} by EmbedKernelText.cmake; do not edit.\n"
  "#include \"gpu/KernelSources.h\"\n\n"
  "namespace kv::gpu {\n\n"
  "extern const char ${SYMBOL}[] =\n    \"${kv_text}\";\n\n"
  "}  // namespace kv::gpu\n")
file(COPY_FILE "${OUTPUT}.tmp" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.tmp")
