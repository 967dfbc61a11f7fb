#!/usr/bin/env bash
# Fuzzes every target (or the ones named) for SECONDS each, default 1200, from the committed
# seeds and regressions; what the runs find new stays in build-native/fuzz-corpus, and
# findings land in build-native/fuzz-findings. Copy a finding into
# tests/fuzz/regressions/<target>/ once its fault is fixed.
# Usage: scripts/fuzz.sh [SECONDS [TARGET ...]]
set -euo pipefail
. "$(dirname "$0")/common.sh"

seconds=${1:-1200}
shift || true
"$QEB_ROOT/scripts/install-deps.sh"
qeb_native_configure_and_build >/dev/null

wanted=("$@")
[ ${#wanted[@]} -gt 0 ] || mapfile -t wanted < <(qeb_fuzz_targets | awk '{ print $1 }')
printf '%-16s %14s %10s %s\n' target executions corpus result
status=0
for target in "${wanted[@]}"; do
    log="$QEB_NATIVE_BUILD_DIR/fuzz-$target.log"
    if qeb_fuzz "$target" -max_total_time="$seconds" -print_final_stats=1 >"$log" 2>&1; then
        result=clean
    else
        result="FINDING (see $log)"
        status=1
    fi
    execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
    corpus=$(ls "$QEB_NATIVE_BUILD_DIR/fuzz-corpus/$target" | wc -l)
    printf '%-16s %14s %10s %s\n' "$target" "${execs:-?}" "$corpus" "$result"
done
exit $status
