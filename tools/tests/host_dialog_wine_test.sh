#!/usr/bin/env bash
# The real "Change LUT" dialog under Wine on a virtual display: it must open in
# the folder that lut-folder.txt names (a folder with a non-ASCII name), the
# picked file must be stored, and a non-LUT file must bring up the warning
# box. Screenshots stay in the output folder. Exits 77 (skipped) without
# Xvfb or xdotool.
# Usage: host_dialog_wine_test.sh WINE_RUN HOST_EXE MODULE SHOT_FOLDER
# Needs the environment of scripts/wine-env.sh (WINEPREFIX, USER).
set -euo pipefail
wine_run="$1" host="$2" module="$3" shots="$4"
: "${WINEPREFIX:?source scripts/wine-env.sh first}"
for tool in Xvfb xdotool; do
  command -v "$tool" >/dev/null || { echo "SKIPPED: $tool is missing (apt-get install xvfb xdotool)"; exit 77; }
done
work="$(mktemp -d)"
xvfb=""
cleanup() {
  WINEPREFIX="$work/prefix" wineserver -k </dev/null >/dev/null 2>&1 || true
  [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $1"; printf '%s\n' "${2:-}"; exit 1; }
win() { printf 'Z:%s' "$1" | tr / '\\'; }
shot() { command -v import >/dev/null && import -window root "$shots/$1" 2>/dev/null || true; }

display=":$((90 + RANDOM % 400))"
Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
export DISPLAY="$display" KV_WINE_KEEP_DISPLAY=1
for _ in $(seq 50); do xdotool getdisplaygeometry >/dev/null 2>&1 && break; sleep 0.1; done
# A prefix of its own: the shared one's wineserver and desktop were started
# without a display, and Wine would show no window through them.
export WINEPREFIX="$work/prefix"
wineboot -i </dev/null >/dev/null 2>&1
wineserver -w </dev/null >/dev/null 2>&1
wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f </dev/null >/dev/null 2>&1

luts="$work/Caf$(printf '\xc3\xa9') LUTs"
mkdir -p "$luts" "$shots"
{ printf '# Kromvale match 42\nLUT_3D_SIZE 2\n'
  for b in 0 1; do for g in 0 1; do for r in 0 1; do echo "$r $g $b"; done; done; done; } >"$luts/night.grade.cube"
{ echo "0 256 512 767 1023"
  for r in 0 4095; do for g in 0 4095; do for b in 0 4095; do echo "$b $g $r"; done; done; done; } >"$luts/swap.3dl"
echo "not a LUT" >"$luts/notes.txt"
folder="$WINEPREFIX/drive_c/users/${USER}/AppData/Roaming/Kromvale"
mkdir -p "$folder"
printf '%s\r\n' "$(win "$luts")" >"$folder/lut-folder.txt"

# Waits for a window by exact title; prints its id.
await() {
  for _ in $(seq 300); do
    id="$(xdotool search --name "^$1\$" 2>/dev/null | head -n 1 || true)"
    [ -n "$id" ] && { echo "$id"; return 0; }
    sleep 0.1
  done
  return 1
}

# One press of "Change LUT": types the file name into the dialog (which has
# to be open in the LUT folder for the name alone to be found).
press() {
  local name="$1" log="$work/out-$1"
  "$wine_run" "$host" --module "$(win "$module")" --press change </dev/null >"$log" 2>&1 &
  local pid=$!
  local id
  id="$(await 'Kromvale: choose a LUT')" || { kill $pid 2>/dev/null || true; fail "no dialog for $name" "$(cat "$log")"; }
  sleep 1
  # Xvfb runs no window manager: the keyboard goes where it is sent.
  xdotool windowfocus --sync "$id"
  xdotool type --delay 30 "$name"
  shot "dialog-$name.png"
  xdotool key Return
  if [ "$name" = notes.txt ]; then
    id="$(await 'Kromvale')" || { kill $pid 2>/dev/null || true; fail "no warning box" "$(cat "$log")"; }
    sleep 0.5
    shot "warning-$name.png"
    xdotool windowfocus --sync "$id"
    xdotool key Return
  fi
  wait $pid || fail "host failed for $name" "$(cat "$log")"
  out="$(tr -d '\r' <"$log")"
}

press night.grade.cube
grep -q 'stored LUT: "night.grade" id 42, 2^3, value 184 bytes' <<<"$out" || fail "not stored" "$out"
grep -q 'label: "night.grade.cube"' <<<"$out" || fail "no label" "$out"
tr -d '\r' <"$folder/effect.log" | grep -qF "LUT button: loaded $(win "$luts")\\night.grade.cube (2^3, 184 bytes)" \
  || fail "no load line" "$(tail -n 5 "$folder/effect.log")"

# The dialog's first filter shows .3dl files too; one is read as .3dl and
# keeps its own name.
press swap.3dl
grep -q 'stored LUT: "swap.3dl" id 0, 2^3' <<<"$out" || fail ".3dl not stored" "$out"
grep -q 'label: "swap.3dl"' <<<"$out" || fail "no .3dl label" "$out"
tr -d '\r' <"$folder/effect.log" | grep -qF "LUT button: loaded $(win "$luts")\\swap.3dl (2^3, " \
  || fail "no .3dl load line" "$(tail -n 5 "$folder/effect.log")"

press notes.txt
grep -q 'stored LUT: unchanged' <<<"$out" || fail "a non-LUT was stored" "$out"
tr -d '\r' <"$folder/effect.log" | grep -qF "LUT button: could not read $(win "$luts")\\notes.txt: malformed data line" \
  || fail "no read failure line" "$(tail -n 5 "$folder/effect.log")"
echo "ok: dialog opened in the LUT folder; screenshots in $shots"
