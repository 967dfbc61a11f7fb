#!/usr/bin/env bash
# Builds the release ZIP (QebInfo.exe, sample QebVer.ini, operator guide) and its
# SHA-256 file from this checkout; works on a fresh clone.
set -euo pipefail
. "$(dirname "$0")/common.sh"

"$QEB_ROOT/scripts/install-deps.sh"
qeb_configure_and_build >/dev/null
cmake --build "$QEB_BUILD_DIR" --target package >/dev/null
for f in "$QEB_BUILD_DIR"/QebInfo-*-win64.zip "$QEB_BUILD_DIR"/QebInfo-*-win64.zip.sha256; do
    echo "$f"
done
(cd "$QEB_BUILD_DIR" && sha256sum -c QebInfo-*-win64.zip.sha256 >&2)
