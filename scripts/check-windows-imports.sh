#!/usr/bin/env bash
# Fails when a Windows binary of the build imports anything but system DLLs:
# a module that needs libstdc++-6.dll or libwinpthread-1.dll will not load.
set -euo pipefail
build="$1"
allowed='^(kernel32|user32|gdi32|shell32|ole32|oleaut32|comdlg32|advapi32|msvcrt|ws2_32|bcrypt|shlwapi|comctl32|version|api-ms-win-.*)\.dll$'
status=0
while IFS= read -r -d '' bin; do
  while IFS= read -r dll; do
    lower="$(printf '%s' "$dll" | tr 'A-Z' 'a-z')"
    if ! [[ "$lower" =~ $allowed ]]; then
      echo "error: $bin imports $dll"
      status=1
    fi
  done < <(x86_64-w64-mingw32-objdump -p "$bin" | sed -n 's/^\s*DLL Name: //p')
done < <(find "$build" \( -name '*.exe' -o -name '*.aex' -o -name '*.dll' \) -not -path '*/wine/*' -print0)
[ $status -eq 0 ] && echo "Windows imports: system DLLs only"
exit $status
