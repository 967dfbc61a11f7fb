#!/usr/bin/env bash
# Archive speed and size: QebInfo PACK of a collection folder (bench/trees.py collection:
# the product tree, Japanese names, large database files, reports and event exports)
# against the sum of a Win32 read floor under Wine (FloorRead.cpp: one walk, every byte read,
# nothing written) and a native zip -r -q -6 of the same folder; and PACK's archive against
# zip's. Each runs three times, in turn; the best time of each counts. Then the ZIP64 case: a
# sparse 5 GB file and 70,000 entries, read back by unzip -t and 7z t (once, not timed
# against a peer). Then the cost of -mask and of -encrypt against plain PACK on the same tree,
# the latter with the key derivation that WinZip AE-2 needs for every member
# (KeyDerivation.cpp) reported per member.
# Usage: bench/pack.sh [FILES ...]   (default: 20000)
set -euo pipefail
. "$(dirname "$0")/common.sh"

floor_exe=$bench_tools/FloorRead.exe
if stale "$floor_exe" "$bench_dir/FloorRead.cpp"; then
    x86_64-w64-mingw32-g++-posix -O2 -static -municode -Wall -Wextra \
        -o "$floor_exe" "$bench_dir/FloorRead.cpp"
fi
kdf_exe=$bench_tools/KeyDerivation.exe
if stale "$kdf_exe" "$bench_dir/KeyDerivation.cpp"; then
    x86_64-w64-mingw32-g++-posix -O2 -static -municode -Wall -Wextra \
        -o "$kdf_exe" "$bench_dir/KeyDerivation.cpp" -lbcrypt
fi
mkdir -p "$drive_c/BenchTools"
cp "$floor_exe" "$kdf_exe" "$drive_c/BenchTools/"

folder=$drive_c/BenchPack/collect
native_zip=$drive_c/BenchPack/native.zip

# cmd keeps all 32 bits of the exit code, which Wine hands Unix as one byte.
# The password of -encrypt comes on standard input, as a script gives it.
qebinfo() {
    printf '@type C:\\BenchPack\\pw.txt | C:\\QebInfo\\QebInfo.exe %s\r\n@echo %%errorlevel%%> C:\\BenchPack\\exit.txt\r\n' "$*" \
        > "$drive_c/BenchPack/run.bat"
    wine cmd.exe /c 'C:\BenchPack\run.bat' >/dev/null 2>&1 || true
    tr -d '\r\n ' < "$drive_c/BenchPack/exit.txt"
}

prepare_pack() { rm -f "$folder.zip" "$folder.zip.sha256"; }
run_pack() { qebinfo 'PACK -dest:C:\BenchPack\collect' > "$drive_c/BenchPack/pack.exit"; }
check_pack() {
    [ "$(cat "$drive_c/BenchPack/pack.exit")" = 0 ] || { echo "PACK failed" >&2; exit 1; }
}

prepare_mask() { prepare_pack; }
run_mask() { qebinfo 'PACK -dest:C:\BenchPack\collect -mask' > "$drive_c/BenchPack/pack.exit"; }
check_mask() { check_pack; }

prepare_encrypt() { prepare_pack; }
run_encrypt() { qebinfo 'PACK -dest:C:\BenchPack\collect -encrypt' > "$drive_c/BenchPack/pack.exit"; }
check_encrypt() { check_pack; }

run_floor() { wine 'C:\BenchTools\FloorRead.exe' 'C:\BenchPack\collect'; }

prepare_zip() { rm -f "$native_zip"; }
run_zip() { (cd "$folder" && zip -r -q -6 "$native_zip" .); }

[ $# -gt 0 ] || set -- 20000
printf '%8s %8s %9s %9s %9s %12s %10s %11s\n' files MB pack_s floor_s zip_s 'pack/(f+z)' pack_MB size/zip
for n in "$@"; do
    rm -rf "$drive_c/BenchPack" && mkdir -p "$drive_c/BenchPack"
    printf 'bench password\r\n' > "$drive_c/BenchPack/pw.txt"
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

echo "-mask and -encrypt against plain PACK (the last tree)"
race pack mask encrypt
members=$(find "$folder" -type f | wc -l)
kdf_ms=$(wine 'C:\BenchTools\KeyDerivation.exe' 200 | tr -d '\r')
allowed=$(echo "1.2 * ${best[pack]} + $members * $kdf_ms / 1000" | bc -l)
printf '%9s %9s %10s %11s %14s %16s %12s\n' pack_s mask_s mask/pack encrypt_s kdf_ms/member \
    'extra_ms/member' 'enc/allowed'
printf '%9.2f %9.2f %10.2f %11.2f %14.3f %16.3f %12.2f\n' "${best[pack]}" "${best[mask]}" \
    "$(ratio "${best[mask]}" "${best[pack]}")" "${best[encrypt]}" "$kdf_ms" \
    "$(echo "(${best[encrypt]} - ${best[pack]}) * 1000 / $members" | bc -l)" \
    "$(ratio "${best[encrypt]}" "$allowed")"

echo "ZIP64: a sparse 5 GB file and 70,000 entries"
big=$drive_c/BenchPack/zip64
rm -rf "$drive_c/BenchPack" && mkdir -p "$drive_c/BenchPack"
printf 'bench password\r\n' > "$drive_c/BenchPack/pw.txt"
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
