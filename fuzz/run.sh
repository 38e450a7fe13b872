#!/usr/bin/env bash
# Runs every built fuzz target of BUILD_DIR for SECONDS each (default 60),
# from the seeds in fuzz/corpus/<name> plus what earlier runs found. A crash,
# a sanitizer report, a failed check or an input that takes longer than 5 s
# fails the run; the input is kept in BUILD_DIR/fuzz/artifacts/<name>/.
set -uo pipefail
HERE="$(cd "$(dirname "$0")" && pwd)"
BUILD="$(cd "${1:?usage: fuzz/run.sh BUILD_DIR [SECONDS]}" && pwd)"
EACH="${2:-60}"
LIST="$BUILD/fuzz/targets.txt"
[ -f "$LIST" ] || { echo "no fuzz targets in $BUILD (configure with -DSETUP720_FUZZ=ON)" >&2; exit 2; }

export QT_QPA_PLATFORM=offscreen
# Qt's globals live until exit; leaks are not what these runs look for.
export ASAN_OPTIONS="detect_leaks=0:${ASAN_OPTIONS:-}"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1:${UBSAN_OPTIONS:-}"

failed=0
total=0
printf '%-16s %6s %10s  %s\n' target seconds executions result
while read -r name max_len; do
  [ -n "$name" ] || continue
  total=$((total + 1))
  work="$BUILD/fuzz/corpus/$name"
  artifacts="$BUILD/fuzz/artifacts/$name"
  log="$BUILD/fuzz/logs/$name.log"
  mkdir -p "$work" "$artifacts" "$(dirname "$log")"
  start=$(date +%s)
  "$BUILD/fuzz/fuzz_$name" -max_total_time="$EACH" -max_len="$max_len" -timeout=5 \
      -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$artifacts/" \
      "$work" "$HERE/corpus/$name" >"$log" 2>&1
  rc=$?
  took=$(( $(date +%s) - start ))
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  if [ "$rc" -eq 0 ]; then
    result=ok
  else
    result="FAILED (exit $rc, log $log)"
    failed=$((failed + 1))
  fi
  printf '%-16s %6s %10s  %s\n' "$name" "$took" "${runs:-?}" "$result"
  if [ "$rc" -ne 0 ]; then
    grep -E 'ERROR|runtime error|check failed|SUMMARY|Test unit written|ASSERT' "$log" | head -20 | sed 's/^/    /'
  fi
done <"$LIST"

echo "fuzz: $((total - failed)) passed, $failed failed"
[ "$failed" -eq 0 ]
