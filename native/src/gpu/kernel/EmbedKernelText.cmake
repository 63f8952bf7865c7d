# Turns a kernel text file into a C++ source defining one NUL-terminated
# 8-bit string with CR LF line ends, as the GPU drivers are handed it.
#
#   cmake -DINPUT=<file> -DOUTPUT=<file.cpp> -DSYMBOL=<name> [-DINLINE=ON]
#         [-DINCLUDE_DIRS=<dir>[;<dir>...]] -P EmbedKernelText.cmake
#
# With INLINE, every line `#include "name"` is replaced by that file minus its
# `#pragma once`, recursively, so the OpenCL compiler gets one self-contained
# text. A name is looked up beside INPUT first, then in each of INCLUDE_DIRS
# in order (as a C compiler's -I), so that files shared with the processor
# code come in by the paths that code includes them by. Runs in CMake script
# mode only, so the Windows cross build needs nothing beyond CMake.
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
    set(kv_path "")
    foreach(kv_search IN ITEMS "${kv_dir}" ${INCLUDE_DIRS})
      if(NOT kv_path AND EXISTS "${kv_search}/${kv_name}")
        set(kv_path "${kv_search}/${kv_name}")
      endif()
    endforeach()
    if(NOT kv_path)
      message(FATAL_ERROR "EmbedKernelText: ${kv_name} not found beside ${INPUT} nor in '${INCLUDE_DIRS}'")
    endif()
    file(READ "${kv_path}" kv_part)
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
