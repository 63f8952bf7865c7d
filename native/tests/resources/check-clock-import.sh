#!/usr/bin/env bash
# Edit LUT stamps its request with the system clock at its finest resolution.
# The plain system-time call moves only once per timer tick (about 15.6 ms)
# on Windows, while Wine answers both calls alike, so a test run under Wine
# cannot tell them apart by timing: the module's imports are checked instead.
set -euo pipefail
module="$1"
imports="$(x86_64-w64-mingw32-objdump -p "$module" | sed -n '/DLL Name: KERNEL32.dll/I,/^$/p')"
if ! grep -Eq '\bGetSystemTimePreciseAsFileTime$' <<<"$imports"; then
  echo "error: $module does not import GetSystemTimePreciseAsFileTime from KERNEL32.dll"
  exit 1
fi
echo "clock: GetSystemTimePreciseAsFileTime imported"
