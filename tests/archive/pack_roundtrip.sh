#!/usr/bin/env bash
# PACK on a table of trees, each archive read back by readers that share nothing with
# libzip: Python's zipfile, Info-ZIP's unzip and 7-Zip. Every file and directory must come
# back byte for byte, the manifest and the archive's checksum must pass sha256sum -c, and
# what cannot be archived (a directory link, a file held without sharing) must be named in
# not-included.txt and nowhere else. The last row is what collect.cmd 8 leaves, with the
# fake system tools in place of msinfo32, systeminfo and wevtutil.
# Usage: pack_roundtrip.sh BUILD_DIR WINE_RUN
set -euo pipefail
build=$1
wine_run=$2

. "$(dirname "$0")/pack_common.sh" qebinfo-pack-test
cp "$build/bin/hold_file.exe" "$build/bin/collect.cmd" "$(dirname "$0")/../../samples/QebVer.ini" \
   "$root/"
system32=$prefix/drive_c/windows/system32
tools=(msinfo32.exe systeminfo.exe wevtutil.exe icacls.exe)
cleanup() {
    touch "$root/markers/release"
    wait
    for tool in "${tools[@]}"; do
        [ -f "$root/$tool.original" ] && mv -f "$root/$tool.original" "$system32/$tool"
    done
    "$wine_run" reg delete 'HKLM\SOFTWARE\Velmora\QEBW8' /f >/dev/null 2>&1 || true
    rm -rf "$root" "$prefix/drive_c/ProgramData/Velmora/QEBW8"
}
trap cleanup EXIT

# Each tree: its builder, then the names that must be left out (relative, with /).
tree_japanese() {
    mkdir -p "$1/設定/インスタンス 東京" "$1/ログ"
    printf '[共通]\r\n名前=値\r\n' | iconv -f UTF-8 -t CP932 > "$1/設定/共通.ini"
    printf 'x%.0s' $(seq 1 5000) > "$1/設定/インスタンス 東京/データ.dat"
    head -c 3000000 /dev/urandom > "$1/ログ/大きなファイル.db"
}
tree_empty() {
    mkdir -p "$1/空のフォルダー/さらに空" "$1/empty" "$1/data"
    : > "$1/zero.bin"
    : > "$1/data/ゼロ.txt"
    echo one > "$1/data/one.txt"
}
tree_link() {
    mkdir -p "$1/real/inner" "$root/outside"
    echo secret > "$root/outside/secret.txt"
    echo kept > "$1/real/inner/kept.txt"
    ln -s "$root/outside" "$1/real/リンク"
}
left_out_link=real/リンク
tree_locked() {
    mkdir -p "$1/db"
    echo readable > "$1/db/readable.txt"
    echo "live data" > "$1/db/live.db"
}
left_out_locked=db/live.db

tree_collect() {
    mkdir -p "$root/product/Environment/Config" "$root/product/Environment/Instance/Tokyo" \
             "$prefix/drive_c/ProgramData/Velmora/QEBW8"
    echo x > "$root/product/Environment/Config/qeb.ini"
    echo x > "$root/product/Environment/Instance/Tokyo/instance.ini"
    echo x > "$prefix/drive_c/ProgramData/Velmora/QEBW8/settings.xml"
    "$wine_run" reg add 'HKLM\SOFTWARE\Velmora\QEBW8' /v DataDir /d "$win_root\\product" /f \
        >/dev/null 2>&1
    for tool in "${tools[@]}"; do
        cp "$system32/$tool" "$root/$tool.original"
        cp "$build/bin/fake_tool.exe" "$system32/$tool"
    done
    rmdir "$1"
    [ "$(run_in_prefix "call $win_root\\collect.cmd 8 $win_root\\collected")" = 0 ] ||
        fail "collect.cmd: $(console)"
    mv "$root"/collected/*.zip "$1.zip"
    mv "$root"/collected/*.zip.sha256 "$1.zip.sha256"
    sed -i "s/ .*\.zip\$/ $(basename "$1").zip/" "$1.zip.sha256"
    mv "$root"/collected/* "$1"
}

check_archive() {
    local folder=$1 zip=$1.zip left_out=$2 unpacked=$root/unpacked/$tree
    python3 - "$zip" "$folder" "$left_out" <<'PY' || fail "Python's zipfile"
import os, sys, zipfile
zip_path, folder, left_out = sys.argv[1], sys.argv[2], sys.argv[3]
with zipfile.ZipFile(zip_path) as archive:
    assert archive.testzip() is None, "a member fails its CRC"
    names = {info.filename for info in archive.infolist()}
    for info in archive.infolist():
        if any(ord(c) > 127 for c in info.filename):
            assert info.flag_bits & 0x800, "no UTF-8 flag: " + info.filename
        assert info.compress_type in (0, 8), info.filename
expected = {"manifest.sha256"} | ({"not-included.txt"} if left_out else set())
for directory, subdirectories, files in os.walk(folder):
    relative = os.path.relpath(directory, folder).replace(os.sep, "/")
    prefix = "" if relative == "." else relative + "/"
    for name in subdirectories:
        path = prefix + name
        if path != left_out:
            expected.add(path + "/")
    for name in files:
        if prefix + name != left_out:
            expected.add(prefix + name)
    subdirectories[:] = [d for d in subdirectories if prefix + d != left_out]
assert names == expected, "members differ: %s" % sorted(names ^ expected)
PY
    unzip -tq "$zip" >/dev/null || fail "unzip -t"
    7z t "$zip" >/dev/null || fail "7z t"
    rm -rf "$unpacked" && mkdir -p "$unpacked"
    7z x -o"$unpacked" "$zip" >/dev/null || fail "7z x"
    (cd "$unpacked" && sha256sum -c --quiet manifest.sha256) || fail "sha256sum -c manifest.sha256"
    (cd "$(dirname "$zip")" && sha256sum -c --quiet "$(basename "$zip").sha256") || fail "the archive's checksum"
    local files
    files=$(cd "$folder" && find . -type f | grep -vxF "./$left_out" | wc -l)
    [ "$(wc -l < "$unpacked/manifest.sha256")" = "$files" ] || fail "manifest lines"
    if [ -n "$left_out" ]; then
        grep -qF "$left_out" "$unpacked/not-included.txt" || fail "not-included.txt lacks $left_out"
        [ "$(head -c 3 "$unpacked/not-included.txt" | od -An -tx1 | tr -d ' ')" = efbbbf ] ||
            fail "not-included.txt has no byte-order mark"
        rm "$unpacked/not-included.txt"
    fi
    rm "$unpacked/manifest.sha256"
    LC_ALL=C diff -r --no-dereference "$folder" "$unpacked" > "$root/diff.txt" 2>&1 || true
    local expected_diff=""
    [ -n "$left_out" ] && expected_diff="Only in $folder/$(dirname "$left_out"): $(basename "$left_out")"
    [ "$(cat "$root/diff.txt")" = "$expected_diff" ] || fail "unpacked tree differs: $(cat "$root/diff.txt")"
}

for tree in japanese empty link locked collect; do
    folder=$root/$tree
    mkdir -p "$folder"
    "tree_$tree" "$folder"
    left_out_var=left_out_$tree
    left_out=${!left_out_var:-}
    expected_code=0
    if [ "$tree" = locked ]; then
        rm -f "$root/markers/held" "$root/markers/release"
        "$wine_run" "$root/hold_file.exe" "$win_root\\locked\\db\\live.db" "$win_root\\markers" &
        for _ in $(seq 1 200); do [ -f "$root/markers/held" ] && break; sleep 0.1; done
        [ -f "$root/markers/held" ] || fail "hold_file did not take the file"
        expected_code=-2147022976  # 0x80070780 as cmd shows it
    fi
    if [ "$tree" = collect ]; then
        code=0
    else
        code=$(run_in_prefix "$win_root\\QebInfo.exe PACK -dest:$win_root\\$tree")
    fi
    touch "$root/markers/release"
    [ "$code" = "$expected_code" ] || fail "exit code $code: $(console)"
    if [ -n "$left_out" ]; then
        console | grep -qF "${left_out//\//\\}" ||
            fail "the console does not name $left_out"
    fi
    check_archive "$folder" "$left_out"
done
