#!/usr/bin/env bash
# Runs fuzz targets side by side for a given time and prints each one's totals.
#   tools/run-fuzzers.sh BUILD SECONDS TARGET...
# Each target starts from its committed seeds (tests/fuzz/corpus/TARGET) and keeps what it
# finds new in BUILD/fuzz-corpus/TARGET; a finding's input lands in BUILD/fuzz-findings. The
# targets that drive an editor run on a private display each. Fails when any target fails.
set -u
build=$1
seconds=$2
shift 2
root=$(cd "$(dirname "$0")/.." && pwd)

export LSAN_OPTIONS="suppressions=$root/tests/lsan.supp"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
findings="$build/fuzz-findings"
mkdir -p "$findings"

pids=()
for target in "$@"; do
  corpus="$build/fuzz-corpus/$target"
  mkdir -p "$corpus"
  display=("$root/tools/with-display.sh")
  # The decoders open no window: they run without the caller's display rather than on it.
  [ "$target" = fuzz_decoders ] && display=(env -u DISPLAY -u XAUTHORITY -u WAYLAND_DISPLAY)
  # A hang shows as a time-out of one input; the limit is far above the slowest honest input.
  nice "${display[@]}" "$build/fuzz/$target" -max_total_time="$seconds" -timeout=60 -max_len=4096 \
    -print_final_stats=1 -artifact_prefix="$findings/$target-" \
    "$corpus" "$root/tests/fuzz/corpus/$target" >"$build/fuzz-$target.log" 2>&1 &
  pids+=($!)
done

status=0
printf '%-22s %12s %8s %8s %8s  %s\n' target executions cov ft corpus result
i=0
for target in "$@"; do
  wait "${pids[$i]}"
  rc=$?
  i=$((i + 1))
  log="$build/fuzz-$target.log"
  last=$(grep -E '^#[0-9]+' "$log" | tail -n1)
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n1)
  cov=$(sed -n 's/.* cov: \([0-9]*\).*/\1/p' <<<"$last")
  ft=$(sed -n 's/.* ft: \([0-9]*\).*/\1/p' <<<"$last")
  corp=$(sed -n 's/.* corp: \([0-9]*\/[0-9]*[a-zA-Z]*\).*/\1/p' <<<"$last")
  if [ "$rc" -eq 0 ]; then
    result="no crash"
  else
    result="FINDING (exit $rc), see $log and $findings"
    status=1
  fi
  printf '%-22s %12s %8s %8s %8s  %s\n' "$target" "${runs:-?}" "${cov:-?}" "${ft:-?}" "${corp:-?}" "$result"
done
exit $status
