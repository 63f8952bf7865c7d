#!/usr/bin/env bash
# The module's export table must name the entry points exactly as hosts look
# them up: plain names, no decoration, no ordinal-only exports.
set -euo pipefail
module="$1"
table="$(x86_64-w64-mingw32-objdump -p "$module" | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' | tail -n +2)"
status=0
for name in EffectMain PluginDataEntryFunction2; do
  if ! grep -Eq "\] ${name}\$" <<<"$table"; then
    echo "error: $module does not export $name"
    status=1
  fi
done
if grep -Eq '\] _?[A-Za-z0-9_]+@[0-9]+$' <<<"$table"; then
  echo "error: $module exports decorated names"
  status=1
fi
[ $status -eq 0 ] && echo "exports: $(grep -Eo '\] [A-Za-z0-9_@]+$' <<<"$table" | cut -c3- | tr '\n' ' ')"
exit $status
