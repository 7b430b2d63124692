# Helpers the benchmark scripts share; sourced, not run.

now() { date +%s.%N; }
elapsed() { echo "$(now) - $1" | bc -l; }
median() { printf '%s\n' "$@" | sort -g | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }
load_average() { cut -d' ' -f1-3 /proc/loadavg; }

# Seconds for `cp -r SOURCE TARGET`, from an emptied target to the end of a `sync`.
time_cp() {
  rm -rf "$2"; sync
  local t0; t0=$(now)
  cp -r "$1" "$2"; sync
  elapsed "$t0"
}

# Fails the script, naming it, when TARGET's files don't match SOURCE's byte for byte.
check_same_tree() {
  cmp <(cd "$1" && find . -type f -exec md5sum {} + | sort -k2) \
      <(cd "$2" && find . -type f -exec md5sum {} + | sort -k2) >/dev/null \
    || { echo "$(basename "$0"): the engine's copy differs from the source" >&2; exit 1; }
}
