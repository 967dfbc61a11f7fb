#!/usr/bin/env bash
# A whole collection's wall time: QebInfo COLLECT against the same four commands and PACK
# run one after another (what collect.cmd did) and against its slowest step alone, in one
# run. A product tree of realistic shape, and the fake system tool in place of msinfo32,
# systeminfo and wevtutil, sleeping BENCH_TOOL_SECONDS (10) a run. Goal: COLLECT within
# 1.1 times its slowest step.
# Usage: bench/collect-run.sh [FILES]   (default: 5000)
set -euo pipefail
. "$(dirname "$0")/common.sh"

files=${1:-5000}
tool_ms=$(( ${BENCH_TOOL_SECONDS:-10} * 1000 ))
fake=$QEB_BUILD_DIR/bin/fake_tool.exe
[ -f "$fake" ] || cmake --build "$QEB_BUILD_DIR" -j2 --target fake_tool >/dev/null
system32=$drive_c/windows/system32
for tool in msinfo32 systeminfo wevtutil; do
    [ -f "$system32/$tool.exe.bench" ] || cp "$system32/$tool.exe" "$system32/$tool.exe.bench"
    cp "$fake" "$system32/$tool.exe"
done
# Wine's own stubs come back however the run ends.
trap 'for tool in msinfo32 systeminfo wevtutil; do
          [ ! -f "$system32/$tool.exe.bench" ] || mv -f "$system32/$tool.exe.bench" "$system32/$tool.exe"
      done' EXIT
# Wine would otherwise run its built-in stubs of these names.
export WINEDLLOVERRIDES="msinfo32.exe,systeminfo.exe,wevtutil.exe=n"
export QEB_FAKE_SLEEP_MS=$tool_ms

printf '[COMMON]\r\nINSTALL_REG=SOFTWARE\\Velmora\\QebBenchNothing\r\nEXT_NUM=1\r\n[EXT_00]\r\nEXT=dll\r\nTYPE=date\r\n' \
    > "$drive_c/QebInfo/QebVer.ini"
product=$drive_c/BenchProduct
rm -rf "$drive_c/ProgramData/Velmora/QEBW90"
wine reg add 'HKLM\SOFTWARE\Velmora\QEBW90' /v DataDir /d 'C:\BenchProduct' /f >/dev/null 2>&1
make_tree product "$product" "$files" >/dev/null

qeb='C:\QebInfo\QebInfo.exe'
out='C:\BenchCollect'
prepare_collect() { rm -rf "$drive_c/BenchCollect"; mkdir -p "$drive_c/BenchCollect"; }
run_collect() { wine "$qeb" COLLECT -product:90 -dest:"$out" -minfree:0; }
check_collect() {
    ls "$drive_c"/BenchCollect/*.zip >/dev/null || { echo "COLLECT left no archive" >&2; exit 1; }
}

prepare_sequential() { rm -rf "$drive_c/BenchCollect"; mkdir -p "$drive_c/BenchCollect/seq"; }
run_sequential() {
    wine "$qeb" QEB -product:90 -dest:"$out\\seq"
    wine "$qeb" MSINFO -dest:"$out\\seq\\msinfo.txt"
    wine "$qeb" SYSINFO -dest:"$out\\seq\\sysinfo.txt"
    wine "$qeb" EVENT -dest:"$out\\seq\\event" -days:30 -evtx
    wine "$qeb" PACK -dest:"$out\\seq"
}

# EVENT is the slowest step: two logs, four tool runs each with -evtx.
prepare_slowest() { rm -rf "$drive_c/BenchCollect"; mkdir -p "$drive_c/BenchCollect"; }
run_slowest() { wine "$qeb" EVENT -dest:"$out\\event" -days:30 -evtx; }

bench_rounds=${BENCH_ROUNDS:-1}
wine cmd.exe /c exit 0 >/dev/null 2>&1  # warm
race collect sequential slowest
printf '%8s %10s %12s %10s %14s %14s\n' files collect_s sequential_s slowest_s collect/slowest collect/seq
printf '%8d %10.2f %12.2f %10.2f %14.2f %14.2f\n' "$files" "${best[collect]}" \
    "${best[sequential]}" "${best[slowest]}" \
    "$(ratio "${best[collect]}" "${best[slowest]}")" "$(ratio "${best[collect]}" "${best[sequential]}")"
rm -rf "$product" "$drive_c/BenchCollect"
