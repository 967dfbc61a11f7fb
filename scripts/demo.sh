#!/usr/bin/env bash
# Builds QebInfo (if needed), creates a sample QEB 8 installation in a Wine
# prefix of its own that behaves as a Japanese Windows, and runs all four
# commands against it, PACK on what they wrote, then all of it at once with collect.cmd and
# with COLLECT.
# Console text, QebVer.txt and summary.txt are converted from code page 932 for this terminal.
set -euo pipefail
. "$(dirname "$0")/common.sh"

"$QEB_ROOT/scripts/install-deps.sh"
qeb_wine_env "$QEB_BUILD_DIR/demo-prefix"
qeb_start_wineserver
qeb_ensure_prefix
[ -f "$QEB_BUILD_DIR/bin/QebInfo.exe" ] && [ -f "$QEB_BUILD_DIR/bin/collect.cmd" ] ||
    qeb_configure_and_build >/dev/null

drive_c=$WINEPREFIX/drive_c
tool_dir=$drive_c/QebInfo
mkdir -p "$tool_dir"
cp "$QEB_BUILD_DIR/bin/QebInfo.exe" "$QEB_BUILD_DIR/bin/collect.cmd" "$tool_dir/"
cp "$QEB_ROOT/samples/QebVer.ini" "$tool_dir/"

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

show_file() { # path description
    if [ ! -e "$1" ]; then
        printf '  %s: not written (Wine'"'"'s own tool is a stub that writes nothing)\n' "$2"
    elif [ ! -s "$1" ]; then
        printf '  %s: written, empty (Wine'"'"'s own tool is a stub that writes nothing)\n' "$2"
    else
        printf '  %s: %d bytes, first lines:\n' "$2" "$(stat -c %s "$1")"
        iconv -f "${3:-UTF-8}" -t UTF-8 "$1" 2>/dev/null | tr -d '\r' | head -n 5 | sed 's/^/    /'
    fi
}

log "creating a sample QEB 8 installation"
product="$drive_c/Program Files/Velmora/QEB8"
data="$drive_c/ProgramData/Velmora/QEBW8"
out="$drive_c/QebCollect"
rm -rf "$product" "$data" "$out"
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

# Install directories for the inventory that samples/QebVer.ini describes; the PE
# files are copies of QebInfo.exe, which carries a version resource.
server="$product/Server"
console="$product/Console"
mkdir -p "$server/lib" "$server/Backup" "$console/Temp"
cp "$tool_dir/QebInfo.exe" "$server/QebServer.exe"
cp "$tool_dir/QebInfo.exe" "$server/qebcore.dll"
cp "$tool_dir/QebInfo.exe" "$server/Backup/QebServer.exe"
cp "$tool_dir/QebInfo.exe" "$console/QebConsole.exe"
make_file "$server/lib/agent.jar"
printf '\xef\xbb\xbfagent 8.0.2 build 115\r\n' > "$server/lib/agent.txt"
make_file "$server/lib/server.conf"
make_file "$console/console.conf"
make_file "$console/Temp/scratch.conf"

reg_add() { wine reg add "$1" /v "$2" /d "$3" /f >/dev/null 2>&1; }
reg_add 'HKLM\SOFTWARE\Velmora\QEBW8' DataDir 'C:\Program Files\Velmora\QEB8'
reg_add 'HKLM\SOFTWARE\Velmora\QEBW8\Server' InstallDir 'C:\Program Files\Velmora\QEB8\Server'
reg_add 'HKLM\SOFTWARE\Velmora\QEBW8\Console' InstallDir 'C:\Program Files\Velmora\QEB8\Console'

run
run QEB -dest:'C:\QebCollect' -product:8 -instances:Tokyo,Osaka,Nagoya

printf '\nCollected below C:\\QebCollect:\n'
(cd "$out" && find . -mindepth 1 | sort | sed 's|^\./|  |')
printf '\nQebVer.txt:\n'
iconv -f CP932 -t UTF-8 "$out/QEBW8/QebVer.txt" | tr -d '\r' | sed 's/^/  /'

run QEB -dest:'C:\QebCollect' -product:9

run MSINFO -dest:'C:\QebCollect\system\msinfo.txt'
show_file "$out/system/msinfo.txt" msinfo.txt
run SYSINFO -dest:'C:\QebCollect\system\sysinfo.txt'
show_file "$out/system/sysinfo.txt" sysinfo.txt CP932
run EVENT -dest:'C:\QebCollect\event'
show_file "$out/event/system.xml" system.xml UTF-16
show_file "$out/event/application.xml" application.xml UTF-16

# PACK makes one archive of the folder, with a manifest inside and its checksum beside it.
rm -f "$drive_c/QebCollect.zip" "$drive_c/QebCollect.zip.sha256"
run PACK -dest:'C:\QebCollect' -log:'C:\QebCollect-pack.log'
printf '
QebCollect.zip (unzip -l), its checksum and the log of what PACK printed:
'
unzip -l "$drive_c/QebCollect.zip" | sed 's/^/  /'
(cd "$drive_c" && sha256sum -c QebCollect.zip.sha256) | sed 's/^/  /'
tr -d '\r' < "$drive_c/QebCollect-pack.log" | sed 's/^/  /'

# collect.cmd runs the four commands into one folder, summarises their exit codes and logs,
# and packs the folder; Wine's own msinfo32 and wevtutil write nothing, which is named.
rm -rf "$tool_dir/collected"
printf '\n$ collect.cmd 8\n'
wine cmd.exe /c 'C:\QebInfo\collect.cmd' 8 2>/dev/null | iconv -f CP932 -t UTF-8 | tr -d '\r' || true
collection=$(ls -d "$tool_dir"/collected/*/ | head -n 1)
printf '\nsummary.txt:\n'
iconv -f CP932 -t UTF-8 "$collection/summary.txt" | tr -d '\r' | sed 's/^/  /'
printf '\nBeside the folder:\n'
(cd "$tool_dir/collected" && ls -1 | sed 's/^/  /' && sha256sum -c -- *.zip.sha256 | sed 's/^/  /')

# COLLECT does the same in one run with the steps side by side, and records every step in
# collection.json; Wine's stub tools fail their steps, so its result is not 0.
rm -rf "$drive_c/QebCollectAll"
run COLLECT -product:8 -dest:'C:\QebCollectAll' -noevtx
printf '\ncollection.json:\n'
sed 's/^/  /' "$(ls -d "$drive_c"/QebCollectAll/*/ | head -n 1)collection.json"
printf '\n'
