#!/bin/sh
# Runs every fuzz target of build/fuzz for FUZZ_SECONDS seconds (default 60)
# each, one after the other, and reports how many inputs each one ran.
# New interesting inputs stay in build/fuzz (the committed seeds in
# tests/fuzz/corpus are only read); a finding is written to
# build/fuzz/tests/fuzz/artifacts/<target>/ and fails the run.
set -eu
cd "$(dirname "$0")/.."
seconds=${FUZZ_SECONDS:-60}
dir=build/fuzz/tests/fuzz
list=$dir/fuzzers.txt
if [ ! -f "$list" ]; then
  echo "fuzz: $list is missing; run scripts/build.sh first" >&2
  exit 1
fi
status=0
report=""
while read -r name flags; do
  mkdir -p "$dir/corpus/$name" "$dir/artifacts/$name"
  log=$dir/$name.log
  echo "fuzz: $name for ${seconds}s"
  # shellcheck disable=SC2086  # flags are separate words
  if UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 "$dir/$name" \
      -max_total_time="$seconds" -print_final_stats=1 \
      -artifact_prefix="$dir/artifacts/$name/" $flags \
      "$dir/corpus/$name" "tests/fuzz/corpus/$name" >"$log" 2>&1; then
    outcome="no finding"
  else
    outcome="FINDING (see $log)"
    status=1
  fi
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
  report="$report$(printf '%-24s %12s runs  %s' "$name" "${runs:-?}" "$outcome")
"
done <"$list"
printf '\nfuzz: %s seconds per target\n%s' "$seconds" "$report"
exit $status
