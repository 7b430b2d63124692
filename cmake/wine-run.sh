#!/usr/bin/env bash
# Runs one Windows test executable under Wine in a throw-away prefix that lives in the build
# folder: 32-bit Wine for the 32-bit build, 64-bit Wine for a 64-bit one (the build folder's
# CMake cache says which). The prefix is created once, before any test uses it (scripts/test
# calls this script with --init first, so parallel first starts never race).
set -euo pipefail
exe_dir=$(cd "$(dirname -- "${1:-.}")" 2>/dev/null && pwd || pwd)
build_root=${DRAVENTA_WINE_BUILD:-$exe_dir}
while [ ! -f "$build_root/CMakeCache.txt" ] && [ "$build_root" != "/" ]; do build_root=$(dirname "$build_root"); done
[ -f "$build_root/CMakeCache.txt" ] || build_root=$exe_dir
export WINEPREFIX="$build_root/wineprefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
wine=wine
if grep -q "mingw-x86_64" "$build_root/CMakeCache.txt" 2>/dev/null; then
  export WINEARCH=win64
  wine=/usr/lib/wine/wine64
  [ -x "$wine" ] || wine=wine64
else
  export WINEARCH=win32
fi
if [ ! -f "$WINEPREFIX/.draventa-ready" ]; then
  mkdir -p "$WINEPREFIX"
  (
    flock 9
    if [ ! -f "$WINEPREFIX/.draventa-ready" ]; then
      "$wine" wineboot -i >/dev/null 2>&1 || true
      wineserver -w || true
      touch "$WINEPREFIX/.draventa-ready"
    fi
  ) 9>"$build_root/wineprefix.lock"
fi
[ "${1:-}" = "--init" ] && exit 0
exec "$wine" "$@"
