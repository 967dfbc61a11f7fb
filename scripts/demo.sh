#!/usr/bin/env bash
# Builds QebInfo (if needed), creates a sample QEB 8 installation in a Wine
# prefix of its own that behaves as a Japanese Windows, and collects it.
# Console text is converted from code page 932 for this terminal.
set -euo pipefail
. "$(dirname "$0")/common.sh"

"$QEB_ROOT/scripts/install-deps.sh"
qeb_wine_env "$QEB_BUILD_DIR/demo-prefix"
qeb_start_wineserver
qeb_ensure_prefix
[ -f "$QEB_BUILD_DIR/bin/QebInfo.exe" ] || qeb_configure_and_build >/dev/null

drive_c=$WINEPREFIX/drive_c
tool_dir=$drive_c/QebInfo
mkdir -p "$tool_dir"
cp "$QEB_BUILD_DIR/bin/QebInfo.exe" "$tool_dir/"

# Wine hands Unix only the low byte of an exit code; cmd's errorlevel has all 32 bits.
printf '@C:\\QebInfo\\QebInfo.exe %%*\r\n@echo %%errorlevel%%> C:\\qebinfo-demo-exit.txt\r\n' \
    > "$drive_c/qebinfo-demo-run.bat"

run() {
    printf '\n$ QebInfo %s\n' "$*"
    wine cmd.exe /c 'C:\qebinfo-demo-run.bat' "$@" 2>/dev/null | iconv -f CP932 -t UTF-8 | tr -d '\r' || true
    local rc
    rc=$(tr -d '\r\n ' < "$drive_c/qebinfo-demo-exit.txt")
    printf '(exit code 0x%08X)\n' "$(( rc & 0xFFFFFFFF ))"
}

make_file() { mkdir -p "$(dirname "$1")"; printf '%s\r\n' "${2:-sample}" > "$1"; }

log "creating a sample QEB 8 installation"
product="$drive_c/Program Files/Velmora/QEB8"
data="$drive_c/ProgramData/Velmora/QEBW8"
rm -rf "$product" "$data" "$drive_c/QebCollect"
make_file "$product/Environment/Config/qeb.ini" "[QEB]"
make_file "$product/Environment/Config/Log/NtEventLog.db"
make_file "$product/Environment/Instance/instances.lst" "Tokyo,Osaka,Sapporo"
for inst in Tokyo Osaka Sapporo; do
    make_file "$product/Environment/Instance/$inst/instance.ini" "[$inst]"
    for db in NtEventLog.db VMInventoryLog.db VMPerfLog.db; do
        make_file "$product/Environment/Instance/$inst/Log/$db"
    done
done
make_file "$data/settings.xml" "<settings/>"
make_file "$data/Log/NtEventLog.db"
make_file "$data/DAT/archive.dat"
make_file "$data/Temp/work.tmp"
wine reg add 'HKLM\SOFTWARE\Velmora\QEBW8' /v DataDir /d 'C:\Program Files\Velmora\QEB8' /f \
    >/dev/null 2>&1

run
run QEB -dest:'C:\QebCollect' -product:8 -instances:Tokyo,Osaka,Nagoya

printf '\nCollected below C:\\QebCollect:\n'
(cd "$drive_c/QebCollect" && find . -mindepth 1 | sort | sed 's|^\./|  |')

run QEB -dest:'C:\QebCollect' -product:9
