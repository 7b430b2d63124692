#!/usr/bin/env bash
# The disc-to-ISO job of the real Draventa.exe under Wine, walked through its windows as a user
# would: mode window -> ISO mode -> licence -> step 1 (the disc in E: measured) -> step 2 (a
# folder chosen in the system folder browser) -> step 3 (the job) -> "Finished" -> Yes. Windows'
# DISM and oscdimg are replaced by the test-only stand-ins dismapi.dll (or dism.exe) and
# oscdimg.exe, which work with wimlib-imagex and xorriso. Afterwards the ISO file is checked with
# xorriso and wimdir.
#   gui-iso-job.sh <folder of Draventa.exe> <stand-in folder> <screenshot folder> <work folder> [api|exe]
# api (the default): the dismapi.dll stand-in in the prefix's system folder, where the program
# loads the DISM API from; the whole job, a DISM failure and a cancel are walked, photographed,
# and the USB mode as far as its step 2 (the stick page).
# exe: only the dism.exe stand-in in the system folder and no dismapi.dll anywhere, so the
# program runs dism.exe; the whole job is walked once, without pictures.
# The work folder (emptied first) gets the staged program folder and the generated sample disc,
# which the Wine prefix maps as the CD-ROM drive E: during the run only. The ISO goes to C:\ISO\
# of the prefix. DRAVENTA_WINE_BUILD names the build folder whose Wine prefix is used;
# DRAVENTA_GUI_DPI, the screen's DPI for the walk (96 unless set; see gui-flow.sh). The output
# ends with gtest-style totals, which scripts/test counts.
set -u
if [ "${1:-}" = --inner ]; then shift; inner_mode=1; else inner_mode=0; fi
exe_dir=$(cd "$1" && pwd)
standins=$(cd "$2" && pwd)
shots=$(realpath -m "$3")
work=$(realpath -m "$4")
dism_mode=${5:-api}
here=$(cd "$(dirname "$0")" && pwd)
runner=$(realpath "$here/../../../cmake/wine-run.sh")
export DRAVENTA_WINE_BUILD=${DRAVENTA_WINE_BUILD:-$(dirname "$exe_dir")}
export DRAVENTA_GUI_DPI=${DRAVENTA_GUI_DPI:-96}
# shellcheck source=gui-steps.sh
source "$here/gui-steps.sh"
prefix=$DRAVENTA_WINE_BUILD/wineprefix
program_data=$prefix/drive_c/ProgramData/Qarvel/DraventaWin
iso_dir=$prefix/drive_c/ISO
# The program is 64-bit here (no WOW64), so the prefix's system32 is its system folder.
system_dir=$prefix/drive_c/windows/system32
drives_key='HKLM\Software\Wine\Drives'
overrides_key='HKCU\Software\Wine\DllOverrides'

# The stand-in oscdimg spreads its last reports over a few seconds, so the progress page can be
# photographed while the ISO is being written.
export DRAVENTA_OSCDIMG_PACE_MS=1500

# What the ISO must hold: El Torito entries, the serviced boot image, the OS folder.
check_el_torito() {
  local report bios uefi
  report=$(xorriso -indev "$1" -report_el_torito plain 2>&1)
  bios=$(grep -c "El Torito boot img :.*BIOS.*none" <<<"$report")
  uefi=$(grep -c "El Torito boot img :.*UEFI.*none" <<<"$report")
  echo "El Torito entries: $bios BIOS, $uefi UEFI (no emulation)"
  [ "$bios" = 1 ] && [ "$uefi" = 1 ] || { grep "El Torito" <<<"$report"; return 1; }
  xorriso -indev "$1" -pvd_info 2>&1 | grep -q "Volume Id    : WIN7" || { echo "the volume id is not WIN7"; return 1; }
}

check_boot_image() {
  local wim=$work/check/boot.wim image1 image2 inf ok=0
  mkdir -p "$work/check"
  xorriso -osirrox on -indev "$1" -extract /sources/boot.wim "$wim" >/dev/null 2>&1
  [ -f "$wim" ] || { echo "no sources/boot.wim in the ISO"; return 1; }
  image2=$(wimdir "$wim" 2 2>&1) || { echo "wimdir: $image2"; return 1; }
  image1=$(wimdir "$wim" 1 2>&1)
  for inf in asmtxhci asmthub3 iusb3xhc iusb3hub; do
    if grep -qE "^/Windows/System32/DriverStore/FileRepository/$inf\.inf_amd64_[0-9a-f]{16}/$inf\.inf$" <<<"$image2"; then
      echo "image 2 holds the $inf.inf package"
    else
      echo "image 2 lacks the $inf.inf package"
      ok=1
    fi
  done
  if grep -qE "FileRepository/(asmtxhci|asmthub3|iusb3xhc|iusb3hub)\.inf_" <<<"$image1"; then
    echo "image 1 got the packages too"
    ok=1
  fi
  return $ok
}

check_gone() {
  if [ -e "$1" ]; then echo "$1 is still there"; return 1; fi
  # Nor is a DISM mount folder (named by the time of day) left.
  local left
  left=$(find "$program_data" -mindepth 1 -maxdepth 1 -type d -regex '.*/[0-9]+' 2>/dev/null)
  [ -z "$left" ] || { echo "mount folders left: $left"; return 1; }
}

# The mode window to the start of the job; the program is started by the caller. The first
# walk checks the mode window and the licence step by step, the later ones in one run.
walk_to_job() {
  if [ -n "${1:-}" ]; then
    gui_step mode
    gui_step iso
    gui_step next
    gui_step tick
  else
    gui_step iso-licence
  fi
  gui_step disc "${1:-}" "$label" "$mb"
  gui_step folder-page
  gui_step browse-open "${2:-}" 'C:\ISO'
  gui_step browse-ok "${3:-}" 'C:\ISO'
  gui_step start
}

# The stand-in oscdimg processes of this run: Wine shows a process by its command line, which
# names the staged tool by its Windows path.
tool_processes() {
  local tool="Z:${work//\//\\}\\program\\Oscdimg_x86\\Oscdimg\\oscdimg.exe"
  ps -eo pid,args | grep -F "$tool" | grep -v grep
}
check_tool_running() { [ -n "$(tool_processes)" ] || { echo "no oscdimg.exe is running"; return 1; }; }
check_tool_ended() {
  local left
  sleep 1
  left=$(tool_processes)
  [ -z "$left" ] || { echo "still running: $left"; return 1; }
}

# The whole job with only dism.exe: the trace names the back-end, and the checks of the ISO.
inner_dism_exe() {
  local suite=DraventaIsoJobDismExe program
  rm -f "$program_data/XHCItrace.log"  # what this run traces, only
  "$runner" "$exe_dir/Draventa.exe" >/dev/null 2>&1 &
  program=$!
  walk_to_job
  gui_step progress
  GUI_STEP_TIMEOUT=260 gui_step finished
  gui_step yes
  gui_check ends gui_wait_end "$program" "answering Yes"
  gui_check dism-exe-chosen grep -aiF 'DISM back-end: dism.exe C:\windows\system32\dism.exe' "$program_data/XHCItrace.log"
  gui_check dism-exe-ran grep -aqF '/Add-Driver' "$program_data/XHCItrace.log"
  check_iso "$iso_dir/$label.iso"
  gui_summary
}

# What the finished job must have made.
check_iso() {
  gui_check iso-file test -s "$1"
  gui_check el-torito check_el_torito "$1"
  gui_check boot-image-drivers check_boot_image "$1"
  gui_check os-folder bash -c "xorriso -indev '$1' -find /OS/readme.txt 2>/dev/null | grep -q readme.txt"
  gui_check scratch-folder-removed check_gone "$program_data/QarvelToolTmp"
}

inner() {
  local label=$1 mb=$2 suite=DraventaIsoJob exe_dir=$work/program program
  "$runner" reg add "HKCU\\Software\\Wine\\X11 Driver" /v Decorated /d N /f >/dev/null 2>&1
  gui_set_dpi "$DRAVENTA_GUI_DPI"
  if [ "$dism_mode" = exe ]; then
    inner_dism_exe
    return
  fi

  # The whole job, answered Yes at the end.
  "$runner" "$exe_dir/Draventa.exe" >/dev/null 2>&1 &
  program=$!
  walk_to_job wizard-step1 folder-browser wizard-step2-iso
  gui_step progress wizard-progress
  gui_check scratch-folder-during-job test -d "$program_data/QarvelToolTmp"
  GUI_STEP_TIMEOUT=260 gui_step finished wizard-finished
  gui_step yes
  gui_check ends gui_wait_end "$program" "answering Yes"
  check_iso "$iso_dir/$label.iso"

  # Once more with DISM failing to commit: its box, then a failed job that Exit ends.
  suite=DraventaIsoJobDismFault
  rm -rf "${iso_dir:?}"/*
  DRAVENTA_DISMAPI_FAIL=DismCommitImage "$runner" "$exe_dir/Draventa.exe" >/dev/null 2>&1 &
  program=$!
  walk_to_job
  GUI_STEP_TIMEOUT=260 gui_step box dism-error DismCpp \
    "DismCommitImage  failed 0x80004005 : DismCommitImage failed as the test asked"
  gui_step box-ok "" DismCpp
  gui_step failed wizard-failed
  gui_step exit
  gui_check ends gui_wait_end "$program" "Exit"
  gui_check no-iso-file bash -c "! ls '$iso_dir'/*.iso 2>/dev/null"
  gui_check scratch-folder-removed check_gone "$program_data/QarvelToolTmp"

  # Once more, cancelled while the ISO is written; No brings the mode window back.
  suite=DraventaIsoJobCancel
  "$runner" "$exe_dir/Draventa.exe" >/dev/null 2>&1 &
  program=$!
  walk_to_job
  gui_step progress
  gui_check iso-tool-running check_tool_running
  gui_step cancel
  gui_step finished wizard-cancelled "You have cacelled the operation, Do you want to close this tool?"
  gui_step no
  gui_check iso-tool-ended check_tool_ended
  gui_check scratch-folder-removed check_gone "$program_data/QarvelToolTmp"
  gui_step close
  gui_check ends gui_wait_end "$program" "closing the mode window"

  # The USB mode's step 2 with the disc measured, photographed; closing the wizard ends it.
  suite=DraventaUsbPage
  "$runner" "$exe_dir/Draventa.exe" >/dev/null 2>&1 &
  program=$!
  gui_step mode
  gui_step next
  gui_step tick
  gui_step disc "" "$label" "$mb"
  gui_step usb-page wizard-step2-usb
  gui_step close
  gui_check ends gui_wait_end "$program" "closing the wizard"
  gui_summary
}

if [ "$inner_mode" = 1 ]; then
  inner "$6" "$7"
  status=$?
  gui_set_dpi 96
  exit $status
fi

fail_setup() {
  echo "[  FAILED  ] DraventaIsoJob.setup: $1"
  echo "[  PASSED  ] 0 tests."
  exit 1
}

# The program folder, as it is installed, with the stand-ins where Windows' own files would be.
rm -rf "$work"
mkdir -p "$work/program/OS/OS" "$shots" || fail_setup "no work folder $work"
cp "$exe_dir/Draventa.exe" "$exe_dir/QvMultiLang.dll" "$exe_dir/gui_driver.exe" "$exe_dir"/End\ User\ License\ Agreement_*.txt \
  "$work/program/" || fail_setup "the program's files are missing"
for arch in x86 amd64; do
  tool=$work/program/Oscdimg_$arch/Oscdimg
  mkdir -p "$tool"
  cp "$standins/oscdimg.exe" "$tool/" || fail_setup "no oscdimg stand-in"
  # Boot files of the right shape: a 2 KiB boot sector with its signature, a 1.44 MB EFI image.
  head -c 2048 /dev/zero >"$tool/etfsboot.com"
  printf '\x55\xaa' | dd of="$tool/etfsboot.com" bs=1 seek=510 conv=notrunc status=none
  head -c 1474560 /dev/zero >"$tool/efisys.bin"
done
printf 'from the OS folder\r\n' >"$work/program/OS/OS/readme.txt"

# A small 64-bit Windows 7 disc; its label as Wine reads it for a folder drive.
label=$("$standins/make_sample_disc" --out "$work/disc" --arch amd64 --size 24M) || fail_setup "make_sample_disc failed"
printf '%s' "$label" >"$work/disc/.windows-label"
mb=$(( $(find "$work/disc" -type f -printf '%s\n' | awk '{s += $1} END {printf "%d", s}') / 1048576 ))

"$runner" --init
rm -rf "$iso_dir" "$program_data"/QarvelToolTmp* "$prefix/drive_c/windows/dism-standin-mounts.txt"
mkdir -p "$iso_dir"
if [ -e "$prefix/dosdevices/e:" ] && [[ $(readlink "$prefix/dosdevices/e:") != */gui-iso-job*/disc ]]; then
  fail_setup "the prefix has a drive E: of its own"
fi
# The disc in a CD-ROM drive E: and DISM, for this run only. Wine's mount manager reads the drive types
# when the prefix's server starts, so the server is let go first.
undo_run() {
  rm -f "$prefix/dosdevices/e:" "$system_dir/dismapi.dll" "$system_dir/dism.exe"
  [ -e "$work/wine-dism.exe" ] && cp "$work/wine-dism.exe" "$system_dir/dism.exe"
  "$runner" reg delete "$drives_key" /v e: /f >/dev/null 2>&1
  "$runner" reg delete "$overrides_key" /v dism.exe /f >/dev/null 2>&1
  WINEPREFIX=$prefix wineserver -w
}
trap undo_run EXIT
# DISM where Windows keeps it, for this run only: the API, or only dism.exe. Wine's own
# dism.exe is put back afterwards.
[ -e "$system_dir/dism.exe" ] && ! [ -e "$work/wine-dism.exe" ] && cp "$system_dir/dism.exe" "$work/wine-dism.exe"
rm -f "$system_dir/dismapi.dll" "$system_dir/dism.exe"
if [ "$dism_mode" = exe ]; then
  cp "$standins/dism.exe" "$system_dir/" || fail_setup "no dism.exe stand-in"
  # Wine has a dism.exe of its own (which does nothing) and prefers it to the file.
  "$runner" reg add "$overrides_key" /v dism.exe /d native /f >/dev/null 2>&1 || fail_setup "dism.exe can't be made native"
else
  cp "$standins/dismapi.dll" "$system_dir/" || fail_setup "no dismapi.dll stand-in"
fi
ln -sfn "$work/disc" "$prefix/dosdevices/e:"
"$runner" reg add "$drives_key" /v e: /d cdrom /f >/dev/null 2>&1 || fail_setup "the drive could not be registered"
WINEPREFIX=$prefix wineserver -w
# A display of its own, in true colour, so the pictures are what a user sees.
timeout 280 xvfb-run -a -s "-screen 0 $(gui_screen_size "$DRAVENTA_GUI_DPI")x24" bash "$0" --inner "$exe_dir" "$standins" "$shots" "$work" "$dism_mode" "$label" "$mb"
