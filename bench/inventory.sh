#!/usr/bin/env bash
# Inventory speed: a QEB run whose copied trees are tiny, so that its time is the
# inventory's scan of an install tree, against a plain listing of the same tree
# (cmd /c dir /s /b > nul) in the same prefix. Each runs three times, in turn; the
# table has the best time of each, their ratio and the inventory's time per file.
# With QEB_BENCH_BIG_COMPANION=1 the last tree then gets one 64 MB companion without
# a line end, and the inventory runs without and with it: the difference is what
# that one file costs, and its QebVer.txt line must hold its first 1000 characters.
# Usage: bench/inventory.sh [FILES ...]   (default: 5000 20000)
set -euo pipefail
. "$(dirname "$0")/common.sh"

# The install tree's binaries are copies of one DLL with a version resource, padded
# to the sizes of real modules.
versioned_dll=$bench_tools/Versioned.dll
if stale "$versioned_dll" "$bench_dir/Versioned.rc"; then
    x86_64-w64-mingw32-windres -O coff -o "$bench_tools/Versioned.res.o" "$bench_dir/Versioned.rc"
    echo 'int qeb_bench_module(void) { return 0; }' |
        x86_64-w64-mingw32-gcc-posix -O2 -shared -o "$versioned_dll" -x c - -x none \
            "$bench_tools/Versioned.res.o"
fi

mkdir -p "$drive_c/BenchSmall/Environment/Config" \
         "$drive_c/BenchSmall/Environment/Instance/A"
echo x > "$drive_c/BenchSmall/Environment/Config/qeb.ini"
echo x > "$drive_c/BenchSmall/Environment/Instance/A/instance.ini"
printf '%s\r\n' '[COMMON]' 'INSTALL_REG=SOFTWARE\Velmora\QebBenchInstall' 'IGNORE=\\Backup\\' \
    'EXT_NUM=3' '[EXT_00]' 'EXT=conf' 'TYPE=date' '[EXT_01]' 'EXT=jar' 'TYPE=file' \
    '[EXT_02]' 'EXT=dll' 'TYPE=binary' > "$drive_c/QebInfo/QebVer.ini"

install=$drive_c/BenchInstall
report=$drive_c/BenchOut/QEBW91/QebVer.txt
wine reg add 'HKLM\SOFTWARE\Velmora\QEBW91' /v DataDir /d 'C:\BenchSmall' /f >/dev/null 2>&1
wine reg add 'HKLM\SOFTWARE\Velmora\QebBenchInstall' /v InstallDir /d 'C:\BenchInstall' /f >/dev/null 2>&1

prepare_qeb() { rm -rf "$drive_c/BenchOut"; }
run_qeb() { wine 'C:\QebInfo\QebInfo.exe' QEB -dest:'C:\BenchOut' -product:91; }
check_qeb() {
    local lines=0
    if [ -f "$report" ]; then lines=$(wc -l < "$report"); fi
    [ "$lines" -eq "$expected" ] ||
        { echo "inventory incomplete: $lines of $expected lines in QebVer.txt" >&2; exit 1; }
}
run_dir() { wine cmd.exe /c 'dir /s /b C:\BenchInstall > nul'; }

[ $# -gt 0 ] || set -- 5000 20000
printf '%8s %12s %12s %8s %14s\n' files qebinfo_s dir_s ratio ms_per_file
for n in "$@"; do
    expected=$(make_tree install "$install" "$n" "$versioned_dll")
    wine cmd.exe /c exit 0 >/dev/null 2>&1  # warm
    race qeb dir
    printf '%8d %12.2f %12.2f %8.2f %14.3f\n' "$n" "${best[qeb]}" "${best[dir]}" \
        "$(ratio "${best[qeb]}" "${best[dir]}")" "$(echo "${best[qeb]} * 1000 / $n" | bc -l)"
done

if [ "${QEB_BENCH_BIG_COMPANION:-0}" = 1 ]; then
    big=$install/Server/lib/agent-bundle
    prepare_qeb
    without=$(measure run_qeb)
    check_qeb
    echo PK > "$big.jar"
    make_tree companion "$big.txt" $(( 64 << 20 ))
    # A reader that does not stop after 1000 characters may take minutes on this file,
    # or never finish; past this limit the run is stopped and counted as a failure.
    limit=$(printf '%.0f' "$(echo "$without * 20 + 60" | bc -l)")
    prepare_qeb
    with=$(measure timeout -k 10 "$limit" wine 'C:\QebInfo\QebInfo.exe' QEB -dest:'C:\BenchOut' -product:91)
    printf '\n%8s %12s %12s %12s\n' big_MB without_s with_s difference_s
    printf '%8d %12.2f %12.2f %12.2f\n' 64 "$without" "$with" "$(echo "$with - $without" | bc -l)"
    line=$(grep -a '^    agent-bundle\.jar ( ' "$report" 2>/dev/null | tr -d '\r' || true)
    text=${line#    agent-bundle.jar ( }
    text=${text% )}
    if [ ! -f "$report" ]; then
        echo "FAIL: big companion: no QebVer.txt (run stopped after $limit s or failed)"
    elif [ -z "$line" ]; then
        echo "FAIL: big companion: no line for agent-bundle.jar in QebVer.txt"
    elif [ "$text" != "$(head -c 1000 "$big.txt")" ]; then
        echo "FAIL: big companion: its line holds ${#text} characters, not the file's first 1000"
    else
        echo "PASS: big companion: its line holds the file's first 1000 characters"
    fi
fi
rm -rf "$install" "$drive_c/BenchOut"
