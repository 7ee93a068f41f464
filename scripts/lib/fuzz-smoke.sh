#!/usr/bin/env bash
# Runs every fuzz target in DIR for SECONDS, starting from its seed corpus when there is one.
# Any crash, leak or sanitizer report fails the run.
set -euo pipefail
dir=$1
seconds=$2
root=$(cd "$(dirname "$0")/../.." && pwd)
status=0
for target in "$dir"/*_fuzz; do
  [ -x "$target" ] || continue
  name=$(basename "$target")
  work=$(mktemp -d)
  seeds="$root/fuzz/corpus/${name%_fuzz}"
  [ -d "$seeds" ] && cp -r "$seeds"/. "$work"/
  log="$work.log"
  if "$target" -max_total_time="$seconds" -rss_limit_mb=2048 -artifact_prefix="$work/" \
    "$work" >"$log" 2>&1; then
    echo "$name: $(grep -Eo 'stat::number_of_executed_units: [0-9]+|Done [0-9]+ runs' "$log" | tail -1)"
  else
    echo "$name: FAILED"
    tail -40 "$log"
    status=1
  fi
  rm -rf "$work" "$log"
done
exit $status
