#!/usr/bin/env bash
# Runs every fuzz_* executable of a build folder for a bounded time, each on a fresh copy of the
# seeds its build wrote to <build>/seeds/<name> (an empty corpus where there are none).
set -euo pipefail
build=${1:?build folder}; seconds=${2:-60}
status=0; found=0
while IFS= read -r f; do
  found=1; name=$(basename "$f")
  corpus="$build/corpus/$name"; rm -rf "$corpus"; mkdir -p "$corpus"
  [ -d "$build/seeds/$name" ] && cp -r "$build/seeds/$name/." "$corpus/"
  echo "== $name for ${seconds}s"
  if ! "$f" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=4096 -print_final_stats=1 "$corpus" > "$build/$name.log" 2>&1; then
    tail -n 60 "$build/$name.log"; status=1
  else
    grep -E 'stat::number_of_executed_units|Done' "$build/$name.log" | tail -n 2 || true
  fi
done < <(find "$build" -type f -executable -name 'fuzz_*' | sort)
[ "$found" = 1 ] || echo "no fuzz targets built"
exit $status
