# Shared set-up of the benchmarks; sourced, never run. Both run in a prefix of
# their own, with QebInfo.exe copied to C:\QebInfo.
. "$(dirname "${BASH_SOURCE[0]}")/../scripts/common.sh"

qeb_wine_env "$QEB_BUILD_DIR/bench-prefix"
qeb_start_wineserver
qeb_ensure_prefix
[ -f "$QEB_BUILD_DIR/bin/QebInfo.exe" ] || qeb_configure_and_build >/dev/null

drive_c=$WINEPREFIX/drive_c
mkdir -p "$drive_c/QebInfo"
cp "$QEB_BUILD_DIR/bin/QebInfo.exe" "$drive_c/QebInfo/"

# Seconds that a command takes, its output discarded.
measure() {
    local start end
    start=$(date +%s.%N)
    "$@" >/dev/null 2>&1 || true
    end=$(date +%s.%N)
    echo "$end - $start" | bc -l
}

ratio() { echo "$1 / $2" | bc -l; }
