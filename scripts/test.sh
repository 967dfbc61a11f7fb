#!/usr/bin/env bash
# Installs what is missing, builds QebInfo and its tests for Windows, and runs
# every test under Wine in a prefix that behaves as a Japanese Windows.
set -euo pipefail
. "$(dirname "$0")/common.sh"

"$QEB_ROOT/scripts/install-deps.sh"

qeb_wine_env "$QEB_BUILD_DIR/wineprefix"
qeb_start_wineserver
qeb_ensure_prefix

log "building in $QEB_BUILD_DIR"
qeb_configure_and_build

log "running the tests"
cd "$QEB_BUILD_DIR"
ctest --output-on-failure --no-tests=error "$@"
