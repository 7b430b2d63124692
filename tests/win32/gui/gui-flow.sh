#!/usr/bin/env bash
# Starts the real Draventa.exe under Wine on a virtual display of its own and walks it as a user
# would: mode window -> licence dialog (Next disabled until "I agree" is ticked) -> wizard ->
# back, then closes it. gui_driver.exe (beside Draventa.exe) makes each step and its checks
# through window messages; between steps the window in front is photographed into PNG files.
#   gui-flow.sh <folder of Draventa.exe> <folder for the screenshots>
# DRAVENTA_WINE_BUILD names the build folder whose Wine prefix is used. The output ends with
# gtest-style totals ("[  PASSED  ] N tests."), which scripts/test counts.
set -u
if [ "${1:-}" = --inner ]; then shift; inner_mode=1; else inner_mode=0; fi
exe_dir=$(cd "$1" && pwd)
shots=$(realpath -m "$2")
runner=$(realpath "$(dirname "$0")/../../../cmake/wine-run.sh")
mkdir -p "$shots"
export DRAVENTA_WINE_BUILD=${DRAVENTA_WINE_BUILD:-$(dirname "$exe_dir")}

inner() {
  local runner=$1 exe_dir=$2 shots=$3 passed=0 failed=0 failures=()
  # Wine draws the window frames and captions itself (there is no window manager here).
  "$runner" reg add "HKCU\\Software\\Wine\\X11 Driver" /v Decorated /d N /f >/dev/null 2>&1
  "$runner" "$exe_dir/Draventa.exe" >/dev/null 2>&1 &
  local program=$!

  # step <name> [screenshot]: one driver step as one test case.
  step() {
    local name=$1 shot=${2:-} out rc
    echo "[ RUN      ] DraventaGui.$name"
    out=$(set -o pipefail; timeout 60 "$runner" "$exe_dir/gui_driver.exe" "$name" 2>/dev/null | tr -d '\r')
    rc=$?
    sed -n 's/^\(ok\|FAILED\): /  \1: /p' <<<"$out"
    if [ -n "$shot" ]; then
      local rect
      rect=$(sed -n 's/^rect: //p' <<<"$out")
      sleep 0.7  # let the window finish painting
      # shellcheck disable=SC2086
      set -- $rect
      if [ "${3:-0}" -gt 0 ] && import -window root -crop "${3}x${4}+${1}+${2}" +repage "$shots/$shot.png"; then
        echo "  screenshot: $shots/$shot.png"
      else
        echo "  FAILED: no screenshot of $shot"
        rc=1
      fi
    fi
    if [ "$rc" = 0 ]; then
      echo "[       OK ] DraventaGui.$name"
      passed=$((passed + 1))
    else
      echo "[  FAILED  ] DraventaGui.$name"
      failed=$((failed + 1))
      failures+=("DraventaGui.$name")
    fi
  }

  step mode mode-window
  step iso
  step next licence-unticked
  step tick licence-ticked
  step untick
  step tick
  step eula-next wizard-shell
  step wizard-back
  step next
  step close
  echo "[ RUN      ] DraventaGui.ends"
  local ended=0
  for _ in $(seq 1 100); do
    if ! kill -0 "$program" 2>/dev/null; then ended=1; break; fi
    sleep 0.2
  done
  if [ "$ended" = 1 ]; then
    echo "[       OK ] DraventaGui.ends"
    passed=$((passed + 1))
  else
    echo "  FAILED: closing the licence dialog did not end Draventa.exe"
    echo "[  FAILED  ] DraventaGui.ends"
    failed=$((failed + 1))
    failures+=("DraventaGui.ends")
    kill "$program" 2>/dev/null
  fi
  echo "[  PASSED  ] $passed tests."
  if [ "$failed" -gt 0 ]; then
    echo "[  FAILED  ] $failed tests, listed below:"
    for f in "${failures[@]}"; do echo "[  FAILED  ] $f"; done
    return 1
  fi
}
if [ "$inner_mode" = 1 ]; then
  inner "$runner" "$exe_dir" "$shots"
  exit
fi
"$runner" --init
# A display of its own, in true colour, so the pictures are what a user sees.
timeout 200 xvfb-run -a -s "-screen 0 1024x768x24" bash "$0" --inner "$exe_dir" "$shots"
