#!/usr/bin/env bash
# Unpacks the release ZIP into a fresh folder of the test prefix and runs a real
# QEB collection from there: the sample QebVer.ini beside the exe drives the inventory.
# Also checks that collect.cmd and the guide come in the forms that cmd and Notepad of a
# Japanese Windows server read: code page 932 with CR LF, and UTF-8 with a byte-order mark
# and CR LF.
# Usage: run_from_zip.sh BUILD_DIR WINE_RUN
set -euo pipefail
build=$1
wine_run=$2

fail() { echo "FAIL: $*" >&2; exit 1; }

cmake --build "$build" --target package >/dev/null
zip=$(ls "$build"/QebInfo-*-win64.zip)
(cd "$build" && sha256sum -c --quiet "$(basename "$zip").sha256") || fail "checksum"

prefix=$(sed -n "s/^export WINEPREFIX='\(.*\)'$/\1/p" "$wine_run")
root=$prefix/drive_c/qebinfo-package-test
rm -rf "$root"
mkdir -p "$root/unpacked"
(cd "$root/unpacked" && cmake -E tar xf "$zip")
tool=$(ls -d "$root"/unpacked/QebInfo-*-win64)
for f in QebInfo.exe QebVer.ini collect.cmd operator-guide.txt; do
    [ -f "$tool/$f" ] || fail "$f missing from the ZIP"
done

# Every line ends in CR LF: no LF without a CR before it.
crlf_only() { ! LC_ALL=C grep -aq $'[^\r]$\|^$' "$1"; }
guide=$tool/operator-guide.txt
[ "$(head -c 3 "$guide" | od -An -tx1 | tr -d ' ')" = efbbbf ] || fail "the guide has no UTF-8 byte-order mark"
crlf_only "$guide" || fail "the guide has lines without CR LF"
grep -qF 'QebInfo 運用ガイド' "$guide" || fail "the guide is not UTF-8"
script=$tool/collect.cmd
crlf_only "$script" || fail "collect.cmd has lines without CR LF"
version=${zip##*/QebInfo-}
version=${version%-win64.zip}
LC_ALL=C grep -aqF "set \"QEB_VERSION=$version\"" "$script" || fail "collect.cmd does not carry version $version"
LC_ALL=C grep -aqF "$(printf '管理者として実行' | iconv -f UTF-8 -t CP932)" "$script" ||
    fail "collect.cmd is not in code page 932"

# A QEB 8 product and the two install directories that the sample QebVer.ini names.
mkdir -p "$root/product/Environment/Config" "$root/product/Environment/Instance/Tokyo" \
         "$root/server/lib" "$root/console"
echo x > "$root/product/Environment/Config/qeb.ini"
echo x > "$root/product/Environment/Instance/Tokyo/instance.ini"
cp "$tool/QebInfo.exe" "$root/server/QebServer.exe"
printf 'agent 8.0.2\r\n' > "$root/server/lib/agent.txt"
echo x > "$root/server/lib/agent.jar"
echo x > "$root/console/console.conf"
data_root=$prefix/drive_c/ProgramData/Velmora/QEBW8
mkdir -p "$data_root"
echo x > "$data_root/settings.xml"

cleanup() {
    "$wine_run" reg delete 'HKLM\SOFTWARE\Velmora\QEBW8' /f >/dev/null 2>&1 || true
    rm -rf "$data_root"
}
trap cleanup EXIT
"$wine_run" reg add 'HKLM\SOFTWARE\Velmora\QEBW8' /v DataDir /d 'C:\qebinfo-package-test\product' /f >/dev/null 2>&1
"$wine_run" reg add 'HKLM\SOFTWARE\Velmora\QEBW8\Server' /v InstallDir /d 'C:\qebinfo-package-test\server' /f >/dev/null 2>&1
"$wine_run" reg add 'HKLM\SOFTWARE\Velmora\QEBW8\Console' /v InstallDir /d 'C:\qebinfo-package-test\console' /f >/dev/null 2>&1

# cmd's errorlevel carries all 32 bits of the exit code; Wine hands Unix only the low byte.
exe_dir=$(basename "$tool")
printf '@C:\\qebinfo-package-test\\unpacked\\%s\\QebInfo.exe QEB -dest:C:\\qebinfo-package-test\\out -product:8\r\n@echo %%errorlevel%%> C:\\qebinfo-package-test\\exit.txt\r\n' \
    "$exe_dir" > "$root/run.bat"
output=$("$wine_run" cmd.exe /c 'C:\qebinfo-package-test\run.bat' 2>/dev/null | iconv -f CP932 -t UTF-8)
exit_code=$(tr -d '\r\n ' < "$root/exit.txt")
[ "$exit_code" = 0 ] || fail "exit code $exit_code, output: $output"
[ -z "$output" ] || fail "unexpected output: $output"

collected=$root/out/QEBW8
[ -f "$collected/Environment/Instance/Tokyo/instance.ini" ] || fail "instance not collected"
[ -f "$collected/settings.xml" ] || fail "data root not collected"
report=$(iconv -f CP932 -t UTF-8 < "$collected/QebVer.txt")
expected_lines=(
    'C:\qebinfo-package-test\console'
    '    console.conf ( '
    'C:\qebinfo-package-test\server'
    '    QebServer.exe ( '
    'C:\qebinfo-package-test\server\lib'
    '    agent.jar ( agent 8.0.2 )'
)
for line in "${expected_lines[@]}"; do
    grep -qF -- "$line" <<< "$report" || fail "QebVer.txt lacks '$line': $report"
done
version=$(sed -n 's/^    QebServer.exe ( \(.*\) )\r$/\1/p' <<< "$report")
[[ "$version" =~ ^[0-9]+\.[0-9]+\.[0-9]+$ ]] || fail "QebServer.exe shows '$version', not its version"
rm -rf "$root"
