#!/usr/bin/env bash
# Runs one Windows test executable under 32-bit Wine in a throw-away prefix that lives in the
# build folder. The prefix is created once, before any test uses it (scripts/test calls this
# script with --init first, so parallel first starts never race).
set -euo pipefail
exe_dir=$(cd "$(dirname -- "${1:-.}")" 2>/dev/null && pwd || pwd)
build_root=${DRAVENTA_WINE_BUILD:-$exe_dir}
while [ ! -f "$build_root/CMakeCache.txt" ] && [ "$build_root" != "/" ]; do build_root=$(dirname "$build_root"); done
[ -f "$build_root/CMakeCache.txt" ] || build_root=$exe_dir
export WINEPREFIX="$build_root/wineprefix"
export WINEARCH=win32
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
if [ ! -f "$WINEPREFIX/.draventa-ready" ]; then
  mkdir -p "$WINEPREFIX"
  (
    flock 9
    if [ ! -f "$WINEPREFIX/.draventa-ready" ]; then
      wineboot -i >/dev/null 2>&1 || true
      wineserver -w || true
      touch "$WINEPREFIX/.draventa-ready"
    fi
  ) 9>"$build_root/wineprefix.lock"
fi
[ "${1:-}" = "--init" ] && exit 0
exec wine "$@"
