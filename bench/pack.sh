#!/usr/bin/env bash
# Archive speed and size: QebInfo PACK of a collection folder (bench/trees.py collection:
# the product tree, Japanese names, large database files, reports and event exports)
# against the sum of a Win32 read floor under Wine (FloorRead.cpp: one walk, every byte read,
# nothing written) and a native zip -r -q -6 of the same folder; and PACK's archive against
# zip's. Each runs three times, in turn; the best time of each counts. Then the ZIP64 case: a
# sparse 5 GB file and 70,000 entries, read back by unzip -t and 7z t (once, not timed
# against a peer).
# Usage: bench/pack.sh [FILES ...]   (default: 20000)
set -euo pipefail
. "$(dirname "$0")/common.sh"

floor_exe=$bench_tools/FloorRead.exe
if stale "$floor_exe" "$bench_dir/FloorRead.cpp"; then
    x86_64-w64-mingw32-g++-posix -O2 -static -municode -Wall -Wextra \
        -o "$floor_exe" "$bench_dir/FloorRead.cpp"
fi
mkdir -p "$drive_c/BenchTools"
cp "$floor_exe" "$drive_c/BenchTools/"

folder=$drive_c/BenchPack/collect
native_zip=$drive_c/BenchPack/native.zip

# cmd keeps all 32 bits of the exit code, which Wine hands Unix as one byte.
qebinfo() {
    printf '@C:\\QebInfo\\QebInfo.exe %s\r\n@echo %%errorlevel%%> C:\\BenchPack\\exit.txt\r\n' "$*" \
        > "$drive_c/BenchPack/run.bat"
    wine cmd.exe /c 'C:\BenchPack\run.bat' >/dev/null 2>&1 || true
    tr -d '\r\n ' < "$drive_c/BenchPack/exit.txt"
}

prepare_pack() { rm -f "$folder.zip" "$folder.zip.sha256"; }
run_pack() { qebinfo 'PACK -dest:C:\BenchPack\collect' > "$drive_c/BenchPack/pack.exit"; }
check_pack() {
    [ "$(cat "$drive_c/BenchPack/pack.exit")" = 0 ] || { echo "PACK failed" >&2; exit 1; }
}

run_floor() { wine 'C:\BenchTools\FloorRead.exe' 'C:\BenchPack\collect'; }

prepare_zip() { rm -f "$native_zip"; }
run_zip() { (cd "$folder" && zip -r -q -6 "$native_zip" .); }

[ $# -gt 0 ] || set -- 20000
printf '%8s %8s %9s %9s %9s %12s %10s %11s\n' files MB pack_s floor_s zip_s 'pack/(f+z)' pack_MB size/zip
for n in "$@"; do
    rm -rf "$drive_c/BenchPack" && mkdir -p "$drive_c/BenchPack"
    make_tree collection "$folder" "$n"
    wine cmd.exe /c exit 0 >/dev/null 2>&1  # warm
    race pack floor zip
    (cd "$drive_c/BenchPack" && sha256sum -c --quiet collect.zip.sha256) ||
        { echo "the archive's checksum does not match" >&2; exit 1; }
    pack_size=$(stat -c %s "$folder.zip")
    zip_size=$(stat -c %s "$native_zip")
    printf '%8d %8d %9.2f %9.2f %9.2f %12.2f %10.1f %11.3f\n' "$n" \
        "$(($(du -sb "$folder" | cut -f1) >> 20))" "${best[pack]}" "${best[floor]}" \
        "${best[zip]}" "$(ratio "${best[pack]}" "$(echo "${best[floor]} + ${best[zip]}" | bc -l)")" \
        "$(echo "$pack_size / 1048576" | bc -l)" "$(ratio "$pack_size" "$zip_size")"
done

echo "ZIP64: a sparse 5 GB file and 70,000 entries"
big=$drive_c/BenchPack/zip64
rm -rf "$drive_c/BenchPack" && mkdir -p "$drive_c/BenchPack"
make_tree zip64 "$big" 70000 $((5 << 30))
start=$(date +%s.%N)
code=$(qebinfo 'PACK -dest:C:\BenchPack\zip64')
end=$(date +%s.%N)
[ "$code" = 0 ] || { echo "PACK failed with $code" >&2; exit 1; }
unzip -tq "$big.zip" >/dev/null && unzip_result=pass || unzip_result=FAIL
7z t "$big.zip" >/dev/null && sevenzip_result=pass || sevenzip_result=FAIL
entries=$(unzip -Z1 "$big.zip" | wc -l)
printf 'PACK %.1f s, archive %.1f MB, %d entries; unzip -t %s, 7z t %s\n' \
    "$(echo "$end - $start" | bc -l)" "$(echo "$(stat -c %s "$big.zip") / 1048576" | bc -l)" \
    "$entries" "$unzip_result" "$sevenzip_result"
rm -rf "$drive_c/BenchPack"
