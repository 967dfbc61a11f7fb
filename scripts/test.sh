#!/usr/bin/env bash
# Installs what is missing, then runs every lane: the portable core natively (unit tests
# under ASan and UBSan, fuzz replay and short fuzzing), and the Windows build's tests under
# Wine in a prefix that behaves as a Japanese Windows, for the release build and for the
# hardened one. Arguments go to every ctest run (e.g. -R Pattern); the fuzzing is then left out.
set -euo pipefail
. "$(dirname "$0")/common.sh"

"$QEB_ROOT/scripts/install-deps.sh"
"$QEB_ROOT/scripts/test-native.sh" "$@"

qeb_wine_env "$QEB_BUILD_DIR/wineprefix"
qeb_start_wineserver
qeb_ensure_prefix

log "building in $QEB_BUILD_DIR"
qeb_configure_and_build
log "running the tests under Wine"
(cd "$QEB_BUILD_DIR" && ctest --output-on-failure --no-tests=error "$@")

log "building the hardened tests in $QEB_HARDENED_BUILD_DIR"
qeb_configure_and_build_hardened
log "running the hardened tests under Wine"
(cd "$QEB_HARDENED_BUILD_DIR" && ctest --output-on-failure --no-tests=error "$@")
