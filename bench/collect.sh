#!/usr/bin/env bash
# Collection speed: QebInfo QEB against Wine's own xcopy /E /I /Q /Y on the same
# product tree, in the same prefix. Prints both times and their ratio.
# Usage: bench/collect.sh [FILES ...]   (default: 5000 20000; 10 files a directory)
set -euo pipefail
. "$(dirname "$0")/common.sh"

# An empty inventory keeps the run about the copy.
printf '[COMMON]\r\nINSTALL_REG=SOFTWARE\\Velmora\\QebBenchNothing\r\nEXT_NUM=1\r\n[EXT_00]\r\nEXT=dll\r\nTYPE=date\r\n' \
    > "$drive_c/QebInfo/QebVer.ini"

# files/10 directories spread over 20 instances, each file a few hundred bytes.
make_tree() {
    local root=$1 files=$2 dirs=$(( $2 / 10 )) payload
    payload=$(head -c 300 /dev/zero | tr '\0' 'q')
    rm -rf "$root"
    mkdir -p "$root/Environment/Config"
    for ((d = 0; d < dirs; d++)); do
        local dir="$root/Environment/Instance/I$(( d % 20 ))/Data/D$d"
        mkdir -p "$dir"
        for ((f = 0; f < 10; f++)); do printf '%s' "$payload" > "$dir/f$f.dat"; done
    done
    printf '[QEB]\r\n' > "$root/Environment/Config/qeb.ini"
}

wine reg add 'HKLM\SOFTWARE\Velmora\QEBW90' /v DataDir /d 'C:\BenchProduct' /f >/dev/null 2>&1
printf '%8s %12s %12s %8s\n' files qebinfo_s xcopy_s ratio
for files in "${@:-5000 20000}"; do
    for n in $files; do
        make_tree "$drive_c/BenchProduct" "$n"
        rm -rf "$drive_c/BenchOut" "$drive_c/BenchXcopy"
        wine cmd.exe /c exit 0 >/dev/null 2>&1  # warm
        qeb=$(measure wine 'C:\QebInfo\QebInfo.exe' QEB -dest:'C:\BenchOut' -product:90)
        xcopy=$(measure wine xcopy /E /I /Q /Y 'C:\BenchProduct' 'C:\BenchXcopy')
        copied=$(find "$drive_c/BenchOut/QEBW90" -type f | wc -l)
        xcopied=$(find "$drive_c/BenchXcopy" -type f | wc -l)
        [ "$copied" -ge "$n" ] && [ "$xcopied" -ge "$n" ] || { echo "copies incomplete: $copied / $xcopied of $n" >&2; exit 1; }
        printf '%8d %12.2f %12.2f %8.2f\n' "$n" "$qeb" "$xcopy" "$(ratio "$qeb" "$xcopy")"
    done
done
rm -rf "$drive_c/BenchProduct" "$drive_c/BenchOut" "$drive_c/BenchXcopy"
