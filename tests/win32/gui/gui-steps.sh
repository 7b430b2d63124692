# Shared by the GUI test scripts (sourced, not run). The caller sets `runner` (cmake/wine-run.sh),
# `exe_dir` (the folder of Draventa.exe and gui_driver.exe), `shots` (the screenshot folder) and
# `suite` (the test case prefix). Each driver step and each check of the script is one test case
# in gtest's format; gui_summary prints gtest-style totals ("[  PASSED  ] N tests."), which
# scripts/test counts.
passed=0
failed=0

# gui_set_dpi <dpi>: the screen's DPI for Wine's programs started from now on (Wine's LogPixels).
gui_set_dpi() {
  "$runner" reg add "HKCU\\Control Panel\\Desktop" /v LogPixels /t REG_DWORD /d "$1" /f >/dev/null 2>&1
}

# gui_screen_size <dpi>: a virtual screen as large at that DPI as 1024 x 768 is at 96.
gui_screen_size() {
  echo "$((1024 * $1 / 96))x$((768 * $1 / 96))"
}
failures=()

# gui_result <case> <status>: counts one case.
gui_result() {
  if [ "$2" = 0 ]; then
    echo "[       OK ] $suite.$1"
    passed=$((passed + 1))
  else
    echo "[  FAILED  ] $suite.$1"
    failed=$((failed + 1))
    failures+=("$suite.$1")
  fi
}

# gui_shot <name> <left> <top> <width> <height>: photographs that part of the screen.
gui_shot() {
  local name=$1
  shift
  if [ "${3:-0}" -gt 0 ] && import -window root -crop "${3}x${4}+${1}+${2}" +repage "$shots/$name.png"; then
    echo "  screenshot: $shots/$name.png"
  else
    echo "  FAILED: no screenshot of $name"
    return 1
  fi
}

# gui_step <step> [screenshot] [driver arguments...]: one gui_driver step as one case; the
# window the driver names is photographed afterwards (also when a check failed, to show why).
# GUI_STEP_TIMEOUT (seconds, default 60) bounds the driver.
gui_step() {
  local name=$1 shot=${2:-} out rc
  shift $(($# < 2 ? $# : 2))
  echo "[ RUN      ] $suite.$name"
  out=$(set -o pipefail; timeout "${GUI_STEP_TIMEOUT:-60}" "$runner" "$exe_dir/gui_driver.exe" "$name" "$@" 2>/dev/null | tr -d '\r')
  rc=$?
  sed -n 's/^\(ok\|FAILED\): /  \1: /p; s/^  \(dialog\|Next reads\|note\)/  \1/p' <<<"$out"
  if [ -n "$shot" ]; then
    sleep 0.7  # let the window finish painting
    # shellcheck disable=SC2046
    gui_shot "$shot" $(sed -n 's/^rect: //p' <<<"$out") || rc=1
  fi
  gui_result "$name" "$rc"
}

# gui_check <case> <command...>: a check made by the script; the command's output is shown
# when it fails.
gui_check() {
  local name=$1 out rc
  shift
  echo "[ RUN      ] $suite.$name"
  out=$("$@" 2>&1)
  rc=$?
  [ -n "$out" ] && sed 's/^/  /' <<<"$out"
  gui_result "$name" "$rc"
}

# gui_wait_end <pid> <what>: the program ends within 20 s.
gui_wait_end() {
  local program=$1
  for _ in $(seq 1 100); do
    kill -0 "$program" 2>/dev/null || return 0
    sleep 0.2
  done
  echo "  FAILED: $2 did not end Draventa.exe"
  kill "$program" 2>/dev/null
  return 1
}

gui_summary() {
  echo "[  PASSED  ] $passed tests."
  if [ "$failed" -gt 0 ]; then
    echo "[  FAILED  ] $failed tests, listed below:"
    for f in "${failures[@]}"; do echo "[  FAILED  ] $f"; done
    return 1
  fi
}
