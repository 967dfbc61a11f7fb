#!/usr/bin/env bash
# Collection speed: QebInfo QEB against the floor (FloorCopy.cpp: one directory walk,
# CreateDirectoryW and CopyFileW, nothing else) and Wine's own xcopy /E /I /Q /Y, all
# copying the same product tree in the same prefix. Each runs three times, in turn,
# into an empty target; the table has the best time of each and QebInfo's ratios.
# Usage: bench/copy.sh [FILES ...]   (default: 5000 20000; 10 files a directory)
set -euo pipefail
. "$(dirname "$0")/common.sh"

floor_exe=$bench_tools/FloorCopy.exe
if stale "$floor_exe" "$bench_dir/FloorCopy.cpp"; then
    x86_64-w64-mingw32-g++-posix -O2 -static -municode -Wall -Wextra \
        -o "$floor_exe" "$bench_dir/FloorCopy.cpp"
fi
mkdir -p "$drive_c/BenchTools"
cp "$floor_exe" "$drive_c/BenchTools/"

# An empty inventory keeps the run about the copy.
printf '[COMMON]\r\nINSTALL_REG=SOFTWARE\\Velmora\\QebBenchNothing\r\nEXT_NUM=1\r\n[EXT_00]\r\nEXT=dll\r\nTYPE=date\r\n' \
    > "$drive_c/QebInfo/QebVer.ini"

# The product folder holds only Environment\Config and Environment\Instance, and the
# data root below ProgramData is absent, so QEB copies exactly the tree that the
# floor and xcopy copy.
product=$drive_c/BenchProduct
rm -rf "$drive_c/ProgramData/Velmora/QEBW90"
wine reg add 'HKLM\SOFTWARE\Velmora\QEBW90' /v DataDir /d 'C:\BenchProduct' /f >/dev/null 2>&1

prepare_qeb() { rm -rf "$drive_c/BenchOut"; }
run_qeb() { wine 'C:\QebInfo\QebInfo.exe' QEB -dest:'C:\BenchOut' -product:90; }
check_qeb() { check_copy qebinfo "$drive_c/BenchOut/QEBW90"; }

prepare_floor() { rm -rf "$drive_c/BenchFloor"; }
run_floor() { wine 'C:\BenchTools\FloorCopy.exe' 'C:\BenchProduct' 'C:\BenchFloor'; }
check_floor() { check_copy floor "$drive_c/BenchFloor"; }

prepare_xcopy() { rm -rf "$drive_c/BenchXcopy"; }
run_xcopy() { wine xcopy /E /I /Q /Y 'C:\BenchProduct' 'C:\BenchXcopy'; }
check_xcopy() { check_copy xcopy "$drive_c/BenchXcopy"; }

# QEB writes its QebVer.txt beside the copied Environment folder.
check_copy() {
    local copied
    copied=$(count_tree "$2/Environment")
    [ "$copied" = "$source_counts" ] ||
        { echo "$1 copy incomplete: $copied of $source_counts files and directories" >&2; exit 1; }
}

[ $# -gt 0 ] || set -- 5000 20000
printf '%8s %6s %10s %10s %10s %10s %10s\n' files dirs qebinfo_s floor_s xcopy_s qeb/floor qeb/xcopy
for n in "$@"; do
    make_tree product "$product" "$n"
    source_counts=$(count_tree "$product/Environment")
    wine cmd.exe /c exit 0 >/dev/null 2>&1  # warm
    race qeb floor xcopy
    printf '%8d %6d %10.2f %10.2f %10.2f %10.2f %10.2f\n' "$n" "${source_counts#* }" \
        "${best[qeb]}" "${best[floor]}" "${best[xcopy]}" \
        "$(ratio "${best[qeb]}" "${best[floor]}")" "$(ratio "${best[qeb]}" "${best[xcopy]}")"
done
rm -rf "$product" "$drive_c/BenchOut" "$drive_c/BenchFloor" "$drive_c/BenchXcopy"
