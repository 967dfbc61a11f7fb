#!/usr/bin/env bash
# QEB and PACK on what a running server gives them, end to end under Wine: a log that a
# service holds open for writing, a data file whose path has 300 characters, a volume that
# fills up during the copy, and files that vanish or grow while PACK reads them. Wine's relay
# trace shows that neither a first collection nor one over it calls the CopyFile family (the
# system's copy, which on Windows opens its source without write sharing).
# Usage: live_collection.sh BUILD_DIR WINE_RUN
set -euo pipefail
build=$1
wine_run=$2

. "$(dirname "$0")/../archive/pack_common.sh" qebinfo-live-test
cp "$build/bin/hold_file.exe" "$(dirname "$0")/../../samples/QebVer.ini" "$root/"
data9=$prefix/drive_c/ProgramData/Velmora/QEBW9
data10=$prefix/drive_c/ProgramData/Velmora/QEBW10
small=$root/small
cleanup() {
    touch "$root/markers/release"
    wait
    "$wine_run" reg delete 'HKCU\Software\Wine\Debug' /v RelayInclude /f >/dev/null 2>&1 || true
    for version in 9 10; do
        "$wine_run" reg delete "HKLM\\SOFTWARE\\Velmora\\QEBW$version" /f >/dev/null 2>&1 || true
    done
    rm -f "$prefix/dosdevices/q:"
    mountpoint -q "$small" && umount "$small"
    rm -rf "$root" "$data9" "$data10"
}
trap cleanup EXIT

product() {  # VERSION: a product with one instance, registered
    mkdir -p "$root/product$1/Environment/Config" "$root/product$1/Environment/Instance/Tokyo/Log"
    echo "[app]" > "$root/product$1/Environment/Config/app.ini"
    echo "[instance]" > "$root/product$1/Environment/Instance/Tokyo/instance.ini"
    "$wine_run" reg add "HKLM\\SOFTWARE\\Velmora\\QEBW$1" /v DataDir /d "$win_root\\product$1" /f \
        >/dev/null 2>&1
}

# --- A held log, a 300-character path, and no CopyFile ---
tree=live
product 9
log=$root/product9/Environment/Instance/Tokyo/Log/service.log
printf 'service started\r\n' > "$log"
# C:\ProgramData\...\data.dat, the Windows path of $deep/data.dat, has 300 characters or more.
deep=$data9
while [ $((${#deep} - ${#prefix} + 3)) -lt 300 ]; do deep=$deep/$(printf 'd%.0s' $(seq 1 40)); done
mkdir -p "$deep"
echo "deep data" > "$deep/data.dat"
"$wine_run" "$root/hold_file.exe" "$win_root\\product9\\Environment\\Instance\\Tokyo\\Log\\service.log" \
    "$win_root\\markers" log &
for _ in $(seq 1 200); do [ -f "$root/markers/held" ] && break; sleep 0.1; done
[ -f "$root/markers/held" ] || fail "hold_file did not open the log"
copy_calls='kernel32.CopyFileA;kernel32.CopyFileW;kernel32.CopyFileExA;kernel32.CopyFileExW'
copy_calls="$copy_calls;kernelbase.CopyFileExW;kernelbase.CopyFile2;kernel32.CopyFile2"
"$wine_run" reg add 'HKCU\Software\Wine\Debug' /v RelayInclude /d "$copy_calls;kernel32.CreateFileW" \
    /f >/dev/null 2>&1
for run in first again; do
    QEB_WINEDEBUG=+relay "$wine_run" "$win_root\\QebInfo.exe" QEB "-dest:$win_root\\out" -product:9 \
        >"$root/console.txt" 2>"$root/relay-$run.txt" || fail "QEB ($run): $(console)"
    grep -q 'CreateFileW' "$root/relay-$run.txt" || fail "no relay trace ($run)"
    ! grep -qE 'CopyFile(Ex|2)?[AW]?\(' "$root/relay-$run.txt" || fail "QEB called the CopyFile family ($run)"
done
"$wine_run" reg delete 'HKCU\Software\Wine\Debug' /v RelayInclude /f >/dev/null 2>&1
copied_log=$root/out/QEBW9/Environment/Instance/Tokyo/Log/service.log
[ -s "$copied_log" ] && cmp -s "$copied_log" <(head -c "$(stat -c %s "$copied_log")" "$log") ||
    fail "the held log was not copied with its bytes"
cmp -s "$deep/data.dat" "$root/out/QEBW9/${deep#"$data9"/}/data.dat" || fail "the deep data file"
code=$(run_in_prefix "$win_root\\QebInfo.exe PACK -dest:$win_root\\out\\QEBW9")
[ "$code" = 0 ] || fail "PACK: $code $(console)"
python3 - "$root/out/QEBW9.zip" "$log" "${deep#"$data9"/}/data.dat" <<'PY' || fail "the archive"
import sys, zipfile
archive, log, deep = zipfile.ZipFile(sys.argv[1]), open(sys.argv[2], "rb").read(), sys.argv[3]
member = archive.read("Environment/Instance/Tokyo/Log/service.log")
assert member and log.startswith(member), "the log's bytes"
assert archive.read(deep) == b"deep data\n", "the deep member"
PY
touch "$root/markers/release"
wait
grep -aq 'longPathAware' "$root/QebInfo.exe" || fail "the manifest declares no long paths"

# --- A volume that fills up during the copy ---
tree=full
product 10
mkdir -p "$data10" "$small"
for i in $(seq 10 29); do head -c 1000000 /dev/urandom > "$data10/part$i.db"; done
if mount -t tmpfs -o size=8m tmpfs "$small" 2>/dev/null; then
    ln -sfn "$small" "$prefix/dosdevices/q:"
    code=$(run_in_prefix "$win_root\\QebInfo.exe QEB -dest:Q:\\out -product:10")
    [ "$code" = -2147024784 ] || fail "exit code $code, not 0x80070070: $(console)"
    [ "$(console | grep -c 'コピー先の空き容量がないため')" = 1 ] || fail "not one line: $(console)"
    [ -z "$(find "$small" -name '~QebInfo-*')" ] || fail "a temporary file was left"
    find "$small/out/QEBW10" -name 'part*.db' | while read -r part; do
        cmp -s "$part" "$data10/$(basename "$part")" || fail "$(basename "$part") is not whole"
    done
else
    echo "the full volume is not run: this machine does not let the test mount a tmpfs" >&2
fi

# --- Files that vanish or grow while PACK reads them ---
tree=vanish
folder=$root/packme
mkdir -p "$folder"
for i in $(seq 1000 2999); do head -c 32768 /dev/urandom > "$folder/f$i.dat"; done
head -c 1000000 /dev/urandom > "$folder/grow.log"
cp "$folder/grow.log" "$root/grow.start"
mapfile -t doomed < <(ls -f "$folder" | grep '^f' | tail -n 4)
mkdir -p "$root/doomed"
for name in "${doomed[@]}"; do cp "$folder/$name" "$root/doomed/"; done
(run_in_prefix "$win_root\\QebInfo.exe PACK -dest:$win_root\\packme" > "$root/pack-code.txt") &
pack=$!
# Once the archive is being written, the last files in the listing's order go.
for _ in $(seq 1 300); do compgen -G "$root/~QebInfo-*.tmp" >/dev/null && break; sleep 0.02; done
for name in "${doomed[@]}"; do rm -f "$folder/$name"; done
while kill -0 "$pack" 2>/dev/null; do head -c 65536 /dev/urandom >> "$folder/grow.log"; done
code=$(cat "$root/pack-code.txt")
[ "$code" = -2147022976 ] || fail "exit code $code, not 0x80070780: $(console)"
7z t "$folder.zip" >/dev/null || fail "7z t"
python3 - "$folder.zip" "$folder" "$root/grow.start" "$root/doomed" <<'PY' || fail "the archive of the rest"
import hashlib, os, sys, zipfile
archive, folder, start, doomed = zipfile.ZipFile(sys.argv[1]), sys.argv[2], sys.argv[3], sys.argv[4]
assert archive.testzip() is None
names = set(archive.namelist())
left_out = archive.read("not-included.txt").decode("utf-8-sig") if "not-included.txt" in names else ""
for name in os.listdir(doomed):
    assert name not in names and "\t" + name + "\t" in left_out, name
for name in os.listdir(folder):
    assert name in names, "missing " + name
grown = archive.read("grow.log")
assert open(start, "rb").read() == grown[:1000000] and open(os.path.join(folder, "grow.log"), "rb").read().startswith(grown)
manifest = dict(line.split("  ")[::-1] for line in archive.read("manifest.sha256").decode().splitlines())
for name, digest in manifest.items():
    assert hashlib.sha256(archive.read(name)).hexdigest() == digest, name
PY
