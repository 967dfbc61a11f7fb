#!/usr/bin/env bash
# Builds QebInfo (if needed) and shows it at work in a Wine prefix of its own
# that behaves as a Japanese Windows. Console text is converted for this terminal.
set -euo pipefail
. "$(dirname "$0")/common.sh"

"$QEB_ROOT/scripts/install-deps.sh"
qeb_wine_env "$QEB_BUILD_DIR/demo-prefix"
qeb_start_wineserver
qeb_ensure_prefix
[ -f "$QEB_BUILD_DIR/bin/QebInfo.exe" ] || qeb_configure_and_build >/dev/null

# Wine hands Unix only the low byte of an exit code; cmd's errorlevel has all 32 bits.
runner=$WINEPREFIX/drive_c/qebinfo-demo-run.bat
printf '@"%%QEBINFO_EXE%%" %%*\r\n@echo %%errorlevel%%> "C:\\qebinfo-demo-exit.txt"\r\n' > "$runner"
export QEBINFO_EXE="$(winepath -w "$QEB_BUILD_DIR/bin/QebInfo.exe" 2>/dev/null)"

run() {
    printf '\n$ QebInfo %s\n' "$*"
    wine cmd.exe /c 'C:\qebinfo-demo-run.bat' "$@" 2>/dev/null | iconv -f CP932 -t UTF-8 | tr -d '\r' || true
    local rc
    rc=$(tr -d '\r\n ' < "$WINEPREFIX/drive_c/qebinfo-demo-exit.txt")
    printf '(exit code 0x%08X)\n' "$(( rc & 0xFFFFFFFF ))"
}

run
run QEB -?
run COPY
