# Source this before running Windows tests: one scratch Wine prefix per run,
# a persistent wineserver and Wine's helper processes started with detached
# output (ctest otherwise waits on their inherited pipes, or hangs for good).
#   . scripts/wine-env.sh <scratch-folder>
kv_wine_root="$(mkdir -p "$1" && cd "$1" && pwd)"
export WINEPREFIX="$kv_wine_root/prefix"
export KV_WINEPREFIX="$WINEPREFIX"
export HOME="$kv_wine_root/home"
export USER="kvtest"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
mkdir -p "$HOME"
(
  unset DISPLAY
  wineboot -i </dev/null >/dev/null 2>&1
  wineserver -w </dev/null >/dev/null 2>&1
  # Never show winedbg's crash dialog: a crash must end the test, not block it.
  wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f </dev/null >/dev/null 2>&1
  wineserver -p </dev/null >/dev/null 2>&1
  wine cmd /c exit </dev/null >/dev/null 2>&1
)
kv_wine_stop() { wineserver -k </dev/null >/dev/null 2>&1 || true; }
