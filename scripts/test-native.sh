#!/usr/bin/env bash
# The native lane: the portable core's unit tests under ASan and UBSan, every committed fuzz
# seed and regression replayed, then each fuzz target briefly with a fixed seed.
# Arguments go to ctest; with arguments the fuzzing is left out.
set -euo pipefail
. "$(dirname "$0")/common.sh"

log "building the native lane in $QEB_NATIVE_BUILD_DIR"
qeb_native_configure_and_build

log "running the native tests and replaying the fuzz inputs"
(cd "$QEB_NATIVE_BUILD_DIR" && ctest --output-on-failure --no-tests=error "$@")
[ $# -eq 0 ] || exit 0

log "fuzzing each target briefly"
while read -r target runs _; do
    rm -rf "$QEB_NATIVE_BUILD_DIR/fuzz-corpus/$target"
    if ! qeb_fuzz "$target" -seed=1 -runs="$runs" >"$QEB_NATIVE_BUILD_DIR/fuzz-$target.log" 2>&1; then
        tail -n 40 "$QEB_NATIVE_BUILD_DIR/fuzz-$target.log" >&2
        log "fuzz target $target found a fault"
        exit 1
    fi
    printf '  %-16s %s\n' "$target" "$(grep -E '^Done [0-9]+ runs' "$QEB_NATIVE_BUILD_DIR/fuzz-$target.log")"
done < <(qeb_fuzz_targets)
