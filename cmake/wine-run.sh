#!/usr/bin/env bash
# Runs a Windows program under Wine, headless, for ctest and test discovery.
# The prefix, HOME and USER come from scripts/wine-env.sh when sourced by the
# test runner; without it a prefix under the build folder's parent is used.
set -u
: "${WINEPREFIX:=${KV_WINEPREFIX:-$PWD/.wineprefix}}"
export WINEPREFIX
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
# A crash would open winedbg's dialog and block the run while DISPLAY is set.
[ -n "${KV_WINE_KEEP_DISPLAY:-}" ] || unset DISPLAY
exec wine "$@"
