# Shared set-up of the PACK scripts; sourced, never run. Needs $build and $wine_run, and sets
# $prefix, $root (the scripts' folder in the test prefix), $win_root and $tree.
prefix=$(sed -n "s/^export WINEPREFIX='\(.*\)'$/\1/p" "$wine_run")
root=$prefix/drive_c/$1
win_root="C:\\$1"
tree=
rm -rf "$root"
mkdir -p "$root/markers"
cp "$build/bin/QebInfo.exe" "$root/"

fail() { echo "FAIL [$tree]: $*" >&2; exit 1; }

# Runs a command in the prefix and gives its full 32-bit exit code (Wine hands Unix one byte).
run_in_prefix() {
    printf '@%s\r\n@echo %%errorlevel%%> %s\\exit.txt\r\n' "$1" "$win_root" > "$root/run.bat"
    "$wine_run" cmd.exe /c "$win_root\\run.bat" >"$root/console.txt" 2>/dev/null || true
    tr -d '\r\n ' < "$root/exit.txt"
}

console() { iconv -f CP932 -t UTF-8 < "$root/console.txt"; }
