# Shared set-up of the benchmarks; sourced, never run. Both run in a prefix of
# their own, with QebInfo.exe copied to C:\QebInfo.
. "$(dirname "${BASH_SOURCE[0]}")/../scripts/common.sh"

qeb_wine_env "$QEB_BUILD_DIR/bench-prefix"
qeb_start_wineserver
qeb_ensure_prefix
[ -f "$QEB_BUILD_DIR/bin/QebInfo.exe" ] || qeb_configure_and_build >/dev/null

bench_dir=$QEB_ROOT/bench
bench_tools=$QEB_BUILD_DIR/bench-tools
bench_rounds=3
drive_c=$WINEPREFIX/drive_c
mkdir -p "$drive_c/QebInfo" "$bench_tools"
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

# True when OUTPUT is missing or older than one of the SOURCES, so that the helpers
# compiled from bench/ are rebuilt only after an edit.
stale() {
    local output=$1
    shift
    [ ! -f "$output" ] || [ -n "$(find "$@" -newer "$output")" ]
}

# Writes a generated tree (see trees.py) and prints what the generator prints.
make_tree() { python3 "$bench_dir/trees.py" "$@"; }

# Times each contender $bench_rounds times, in turn (a b c a b c ...), so that a slow
# spell of the machine hits them all alike, and keeps the best time of each in
# best[NAME]. A contender NAME is the function run_NAME; prepare_NAME, if there, runs
# untimed before each run and check_NAME after it.
declare -A best
race() {
    local round name seconds
    best=()
    for ((round = 0; round < bench_rounds; round++)); do
        for name in "$@"; do
            if declare -F "prepare_$name" >/dev/null; then "prepare_$name"; fi
            seconds=$(measure "run_$name")
            if declare -F "check_$name" >/dev/null; then "check_$name"; fi
            if [ -z "${best[$name]:-}" ] || [ "$(echo "$seconds < ${best[$name]}" | bc)" = 1 ]; then
                best[$name]=$seconds
            fi
        done
    done
}

# Files and directories of a tree, its top folder counted, as "FILES DIRECTORIES".
count_tree() {
    echo "$(find "$1" -type f | wc -l) $(find "$1" -type d | wc -l)"
}
