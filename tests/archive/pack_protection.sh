#!/usr/bin/env bash
# PACK -encrypt and -mask, read back by 7-Zip and Python. An encrypted archive opens with its
# password and with no other, holds AES members only, and its password is in no file and on
# no console line; a masked archive holds no original value as a whole word in any text
# member (in any of the three encodings) nor in any member's name, learns the values that the
# reports name in their own fields, masks the operator's words, one stand-in per value across
# members, versions and loopback addresses as they were, a member that is no text left out
# (or with -keepbinary archived unchanged) and a member that still holds an original after
# masking left out, both named in masking.txt, while the folder stays as it was and the map
# beside the archive holds every pair.
# Usage: pack_protection.sh BUILD_DIR WINE_RUN
set -euo pipefail
build=$1
wine_run=$2

. "$(dirname "$0")/pack_common.sh" qebinfo-pack-protection
trap 'rm -rf "$root"' EXIT
# A password file is read by its byte-order mark: UTF-8 here, UTF-16LE further down.
password='Pässwort-2026'
printf '\xef\xbb\xbf%s\r\n' "$password" > "$root/pw.txt"
host=$("$wine_run" cmd.exe /c 'echo %COMPUTERNAME%' 2>/dev/null | tr -d '\r\n')
user=$("$wine_run" cmd.exe /c 'echo %USERNAME%' 2>/dev/null | tr -d '\r\n')

# A collection that names the computer, its addresses and a profile path in every encoding
# that the system's tools write.
make_collection() {
    local f=$1
    mkdir -p "$f/event" "$f/QEBW8/Environment/Config"
    { printf '\xff\xfe'; printf 'システム名\t%s\r\nIP アドレス\t192.168.10.21\r\nIPv6\tfe80::1c2b:3d4e:5f60:7a8b%%12\r\nMAC\t00-15-5D-0A-0B-0C\r\nプロファイル\tC:\\Users\\%s\\AppData\r\nOS\t10.0.17763.1\r\nループバック\t127.0.0.1\r\n' "$host" "$user" | iconv -f UTF-8 -t UTF-16LE; } > "$f/msinfo.txt"
    printf 'ホスト名:           %s\r\nプロファイル:       C:\\Users\\山田太郎\\Desktop\r\n登録されている所有者: Taro Yamada\r\n登録されている組織: Velmora Trading\r\nドメイン:           corp.velmora.example\r\nログオン サーバー:  \\\\DC01\r\nIP アドレス:        192.168.10.21\r\n                    fe80::1c2b:3d4e:5f60:7a8b\r\nMAC:                00:15:5d:0a:0b:0c\r\n' "$host" | iconv -f UTF-8 -t CP932 > "$f/sysinfo.txt"
    printf '   Host Name . . . . . . . . . . . . : %s\r\n   Primary Dns Suffix  . . . . . . . : corp.velmora.example\r\n   DNS Suffix Search List. . . . . . : corp.velmora.example\r\n                                       branch.velmora.example\r\n   DHCPv6 Client DUID. . . . . . . . : 00-01-00-01-2A-3B-4C-5D-00-15-5D-0A-0B-0C\r\n' "$host" > "$f/ipconfig.txt"
    mkdir -p "$f/logs"
    { printf 'connect \\\\FS02.corp.velmora.example\\share as CORP\\sato for Project Falcon\n'; printf '接続先 %s.branch.velmora.example 極秘計画\n' "$host" | iconv -f UTF-8 -t CP932; } > "$f/logs/${host}_trace.log"
    printf 'ホスト %s 佐藤\n' "$host" | iconv -f UTF-8 -t EUC-JP > "$f/logs/euc.txt"
    # A log damaged in one place: a stray lead byte keeps the masker from the name after it.
    { for i in $(seq 40); do printf '2026-12-01 10:00:%02d service started\r\n' "$i"; done
      printf 'on \x82%s\x95 ok\r\n' "$host"; } > "$f/logs/damaged.txt"
    printf 'Driver\tc:\\windows\\system32\\drivers\\e1i65x64.sys (12.17.10.8, 1.43 MB (1,498,384 bytes), 2019/06/14 1:10)\r\n' >> "$f/ipconfig.txt"
    printf '<Event><System><Computer>%s</Computer></System><EventData><Data>192.168.10.21</Data><Data>C:\\Users\\%s\\NTUSER.DAT</Data></EventData></Event>\r\n' "$host" "$user" | iconv -f UTF-8 -t UTF-16LE > "$f/event/system.xml"
    printf '[server]\r\nname=%s\r\naddress=192.168.10.22\r\nlog=VMPerfLog.db\r\n' "${host,,}" > "$f/QEBW8/Environment/Config/app.ini"
    printf 'C:\\Program Files\\Velmora\\QEB8\\Server\r\n    qebcore.dll ( 8.0.2.1 )\r\n    %s.conf ( 2026/12/01 10:00:00 )\r\n' "$host" | iconv -f UTF-8 -t CP932 > "$f/QEBW8/QebVer.txt"
    printf 'DB\0\0\0%s\0192.168.10.21\0\xff\xfe\0' "$host" > "$f/data.db"
}

pack() {  # folder, options[, password file]
    run_in_prefix "$win_root\\QebInfo.exe PACK -dest:$win_root\\$1 $2 -log:$win_root\\$1.log < $win_root\\${3:-pw.txt}"
}

# The operator's words, in UTF-16 with its mark.
{ printf '\xff\xfe'; printf '# 社外秘の名前\r\nProject Falcon\r\n極秘計画\r\n' | iconv -f UTF-8 -t UTF-16LE; } > "$root/words.txt"

tree=encrypted
mkdir -p "$root/encrypted/sub"
head -c 200000 /dev/urandom > "$root/encrypted/sub/data.bin"
printf 'text\r\n' > "$root/encrypted/a.txt"
[ "$(pack encrypted -encrypt)" = 0 ] || fail "PACK -encrypt: $(console)"
7z t -p"$password" "$root/encrypted.zip" >/dev/null || fail "7z t with the password"
! 7z t -pwrong-password "$root/encrypted.zip" >/dev/null 2>&1 || fail "7z t took a wrong password"
mkdir -p "$root/unpacked/encrypted"
7z x -p"$password" -o"$root/unpacked/encrypted" "$root/encrypted.zip" >/dev/null || fail "7z x"
rm "$root/unpacked/encrypted/manifest.sha256"
diff -r "$root/encrypted" "$root/unpacked/encrypted" || fail "unpacked tree differs"
python3 - "$root/encrypted.zip" <<'PY' || fail "Python's zipfile"
import sys, zipfile
for info in zipfile.ZipFile(sys.argv[1]).infolist():
    assert info.is_dir() or info.compress_type == 99, info.filename
PY
for written in "$root/encrypted.zip" "$root/encrypted.zip.sha256" "$root/encrypted.log" "$root/console.txt"; do
    ! grep -aqF "$password" "$written" || fail "the password is in $written"
done

# UTF-16LE with its mark opens with exactly its characters; a NUL makes no archive.
tree=utf16
mkdir -p "$root/utf16"
printf 'text\r\n' > "$root/utf16/a.txt"
wide='パスワード日本語-2026'
{ printf '\xff\xfe'; printf '%s\r\n' "$wide" | iconv -f UTF-8 -t UTF-16LE; } > "$root/pw16.txt"
{ printf '\xff\xfe'; printf 'pass\0word-2026\r\n' | iconv -f UTF-8 -t UTF-16LE; } > "$root/pwnul.txt"
[ "$(pack utf16 -encrypt pw16.txt)" = 0 ] || fail "PACK with a UTF-16 password: $(console)"
7z t -p"$wide" "$root/utf16.zip" >/dev/null || fail "7z t with the UTF-16 file's password"
rm "$root/utf16.zip"
[ "$(pack utf16 -encrypt pwnul.txt)" = -2147023680 ] || fail "a NUL in the password: $(console)"
[ ! -e "$root/utf16.zip" ] || fail "an archive with a password that holds a NUL"

for tree in masked both; do
    options="-mask -maskwords:$win_root\\words.txt -maskdomain:velmora.example"
    [ "$tree" = both ] && options="$options -encrypt -keepbinary"
    make_collection "$root/$tree"
    cp -a "$root/$tree" "$root/$tree.pristine"
    [ "$(pack "$tree" "$options")" = 0 ] || fail "PACK $options: $(console)"
    diff -r "$root/$tree.pristine" "$root/$tree" || fail "PACK changed the folder"
    console | grep -qF "$win_root\\$tree.mask-map.txt" || fail "the console does not name the map"
    mkdir -p "$root/unpacked/$tree"
    7z x -p"$password" -o"$root/unpacked/$tree" "$root/$tree.zip" >/dev/null || fail "7z x"
    (cd "$root/unpacked/$tree" && sha256sum -c --quiet manifest.sha256) || fail "the manifest"
    python3 - "$root/unpacked/$tree" "$root/$tree.mask-map.txt" "$host" "$user" "$tree" <<'PY' || fail "masking"
import os, re, sys
unpacked, map_path, host, user, tree = sys.argv[1:]
pairs = [line.split("\t") for line in open(map_path, encoding="utf-8-sig").read().splitlines() if line]
originals = {original: (kind, stand_in) for kind, original, stand_in in pairs}
for value in (host, user, "192.168.10.21", "192.168.10.22", "fe80::1c2b:3d4e:5f60:7a8b",
              "Taro Yamada", "Velmora Trading", "corp.velmora.example", "DC01", "FS02", "sato",
              "00-01-00-01-2A-3B-4C-5D-00-15-5D-0A-0B-0C", "Project Falcon", "極秘計画", "山田太郎"):
    assert any(o.lower() == value.lower() for o in originals), "not in the map: " + value
names = [os.path.relpath(os.path.join(d, n), unpacked) for d, _, ns in os.walk(unpacked) for n in ns]
assert not [n for n in names if host.lower() in n.lower()], "a name holds the host: %s" % names
assert "logs/host0001_trace.log" in names, names
assert "logs/damaged.txt" not in names, "a member with an original after masking was archived"
assert sum(1 for kind, _ in originals.values() if kind == "mac") == 1, "one MAC, two notations"
texts = {"msinfo.txt": "utf-16", "sysinfo.txt": "cp932", "event/system.xml": "utf-16-le",
         "QEBW8/Environment/Config/app.ini": "utf-8", "QEBW8/QebVer.txt": "cp932",
         "ipconfig.txt": "utf-8", "logs/host0001_trace.log": "cp932", "logs/euc.txt": "euc-jp"}
def word(value):
    return re.compile(r"(?<![A-Za-z0-9_-])" + re.escape(value) + r"(?![A-Za-z0-9_-])", re.I)
decoded = {}
for name, encoding in texts.items():
    raw = open(unpacked + "/" + name, "rb").read()
    decoded[name] = raw.decode(encoding)
    for other in ("utf-16-le", "cp932", "utf-8", "euc-jp"):
        text = raw.decode(other, errors="ignore")
        for original in originals:
            assert not word(original).search(text), "%s still in %s (%s)" % (original, name, other)
for original, (kind, stand_in) in originals.items():
    holders = [n for n, t in decoded.items() if word(stand_in).search(t)]
    assert holders, "stand-in nowhere: " + stand_in
for name, kept in (("msinfo.txt", "10.0.17763.1"), ("msinfo.txt", "127.0.0.1"),
                   ("QEBW8/Environment/Config/app.ini", "VMPerfLog.db"),
                   ("QEBW8/QebVer.txt", "8.0.2.1"), ("ipconfig.txt", "12.17.10.8")):
    assert kept in decoded[name], kept + " was changed in " + name
masking = open(unpacked + "/masking.txt", encoding="utf-8-sig").read()
left_out = open(unpacked + "/not-included.txt", encoding="utf-8-sig").read()
assert "data.db" in masking, "the binary member is not named in masking.txt"
assert "logs/damaged.txt" in masking and "logs/damaged.txt" in left_out, "the check's finding"
assert ("data.db" in left_out) == (tree == "masked"), "not text: left out unless -keepbinary"
for original in originals:
    assert original not in masking, "masking.txt names a value"
PY
    console | grep -qF "damaged.txt" || fail "the console does not name the member left out"
    if [ "$tree" = both ]; then
        cmp "$root/$tree/data.db" "$root/unpacked/$tree/data.db" || fail "the binary member changed"
    fi
    if [ "$tree" = both ]; then
        ! 7z t -pwrong-password "$root/both.zip" >/dev/null 2>&1 || fail "7z t took a wrong password"
    fi
done
