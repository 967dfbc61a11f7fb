#!/usr/bin/env bash
# Inventory speed: a QEB run whose copied trees are tiny, so that its time is the
# inventory's scan of an install tree, against a plain listing of the same tree
# (cmd /c dir /s /b > nul) in the same prefix. Prints both times, their ratio and
# the inventory's time per file.
# Usage: bench/inventory.sh [FILES ...]   (default: 5000 20000; 4 files a directory)
set -euo pipefail
. "$(dirname "$0")/common.sh"

mkdir -p "$drive_c/BenchSmall/Environment/Config" \
         "$drive_c/BenchSmall/Environment/Instance/A"
echo x > "$drive_c/BenchSmall/Environment/Config/qeb.ini"
echo x > "$drive_c/BenchSmall/Environment/Instance/A/instance.ini"
printf '%s\r\n' '[COMMON]' 'INSTALL_REG=SOFTWARE\Velmora\QebBenchInstall' 'IGNORE=\\Backup\\' \
    'EXT_NUM=3' '[EXT_00]' 'EXT=conf' 'TYPE=date' '[EXT_01]' 'EXT=jar' 'TYPE=file' \
    '[EXT_02]' 'EXT=dll' 'TYPE=binary' > "$drive_c/QebInfo/QebVer.ini"

# files/4 directories of a.conf (date), b.jar with its b.txt (file) and c.dat (no rule);
# five directories also hold a PE file with a version resource (binary).
make_tree() {
    local root=$1 dirs=$(( $2 / 4 ))
    rm -rf "$root"
    for ((d = 0; d < dirs; d++)); do
        local dir="$root/M$(( d % 25 ))/S$(( d / 25 % 10 ))/D$d"
        mkdir -p "$dir"
        echo conf > "$dir/a.conf"
        echo jar > "$dir/b.jar"
        printf 'build %d\r\n' "$d" > "$dir/b.txt"
        echo data > "$dir/c.dat"
    done
    for d in 0 1 2 3 4; do cp "$QEB_BUILD_DIR/bin/QebInfo.exe" "$root/M$d/S0/D$d/q.dll"; done
}

wine reg add 'HKLM\SOFTWARE\Velmora\QEBW91' /v DataDir /d 'C:\BenchSmall' /f >/dev/null 2>&1
wine reg add 'HKLM\SOFTWARE\Velmora\QebBenchInstall' /v InstallDir /d 'C:\BenchInstall' /f >/dev/null 2>&1
printf '%8s %12s %12s %8s %14s\n' files qebinfo_s dir_s ratio ms_per_file
for n in ${@:-5000 20000}; do
    make_tree "$drive_c/BenchInstall" "$n"
    rm -rf "$drive_c/BenchOut"
    wine cmd.exe /c exit 0 >/dev/null 2>&1
    qeb=$(measure wine 'C:\QebInfo\QebInfo.exe' QEB -dest:'C:\BenchOut' -product:91)
    listing=$(measure wine cmd.exe /c 'dir /s /b C:\BenchInstall > nul')
    lines=$(wc -l < "$drive_c/BenchOut/QEBW91/QebVer.txt")
    [ "$lines" -gt $(( n / 2 )) ] || { echo "inventory incomplete: $lines lines" >&2; exit 1; }
    printf '%8d %12.2f %12.2f %8.2f %14.3f\n' "$n" "$qeb" "$listing" \
        "$(ratio "$qeb" "$listing")" "$(echo "$qeb * 1000 / $n" | bc -l)"
done
rm -rf "$drive_c/BenchInstall" "$drive_c/BenchOut"
