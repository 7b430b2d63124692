#!/usr/bin/env bash
# Runs the PNG decoder's fuzz target for a bounded time: a fresh working corpus in the build
# folder, seeded with the committed art and the small pictures of the seeds folder.
# Usage: run_png_fuzz.sh <png_fuzz> <work folder> <seconds> <seed folder>...
set -euo pipefail
fuzzer=$1 work=$2 seconds=$3
shift 3
rm -rf "$work"
mkdir -p "$work/corpus"
cd "$work"
exec "$fuzzer" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=65536 -print_final_stats=1 \
  -dict="$(dirname "$0")/png.dict" corpus "$@"
