#!/usr/bin/env bash
# Starts the real Draventa.exe under Wine on a virtual display of its own and walks it as a user
# would: mode window -> licence dialog (Next disabled until "I agree" is ticked) -> wizard ->
# back, then closes it. gui_driver.exe (beside Draventa.exe) makes each step and its checks
# through window messages; between steps the window in front is photographed into PNG files.
#   gui-flow.sh <folder of Draventa.exe> <folder for the screenshots> [DPI]
# DRAVENTA_WINE_BUILD names the build folder whose Wine prefix is used. With a DPI (96 unless
# given; 120, 144 and 192 are Windows' 125, 150 and 200 %) Wine's LogPixels is set to it for the
# walk and set back to 96 afterwards, and the virtual screen is large enough for the windows at
# that scale. The output ends with gtest-style totals ("[  PASSED  ] N tests."), which
# scripts/test counts.
set -u
if [ "${1:-}" = --inner ]; then shift; inner_mode=1; else inner_mode=0; fi
exe_dir=$(cd "$1" && pwd)
shots=$(realpath -m "$2")
export DRAVENTA_GUI_DPI=${3:-96}
runner=$(realpath "$(dirname "$0")/../../../cmake/wine-run.sh")
mkdir -p "$shots"
export DRAVENTA_WINE_BUILD=${DRAVENTA_WINE_BUILD:-$(dirname "$exe_dir")}
# shellcheck source=gui-steps.sh
source "$(dirname "$0")/gui-steps.sh"

inner() {
  local runner=$1 exe_dir=$2 shots=$3 suite=DraventaGui
  # Wine draws the window frames and captions itself (there is no window manager here).
  "$runner" reg add "HKCU\\Software\\Wine\\X11 Driver" /v Decorated /d N /f >/dev/null 2>&1
  gui_set_dpi "$DRAVENTA_GUI_DPI"
  "$runner" "$exe_dir/Draventa.exe" >/dev/null 2>&1 &
  local program=$!

  gui_step mode mode-window
  gui_step iso
  gui_step next licence-unticked
  gui_step tick licence-ticked
  gui_step untick
  gui_step tick
  # No disc here: step 1 stays without a drive (the wizard's pictures come from gui_iso_job).
  gui_step eula-next
  gui_step wizard-back
  gui_step next
  gui_step close
  gui_check ends gui_wait_end "$program" "closing the licence dialog"
  gui_summary
}
if [ "$inner_mode" = 1 ]; then
  inner "$runner" "$exe_dir" "$shots"
  status=$?
  gui_set_dpi 96
  exit $status
fi
"$runner" --init
# A display of its own, in true colour, so the pictures are what a user sees.
timeout 200 xvfb-run -a -s "-screen 0 $(gui_screen_size "$DRAVENTA_GUI_DPI")x24" bash "$0" --inner "$exe_dir" "$shots" "$DRAVENTA_GUI_DPI"
status=$?
# Wine's server outlives the program by a few seconds, with its desktop on this script's display:
# the next test must start a server of its own on its own display, not join this one.
WINEPREFIX=$DRAVENTA_WINE_BUILD/wineprefix wineserver -w
exit $status
