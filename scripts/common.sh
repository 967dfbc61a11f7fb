# Shared settings of the project's scripts; sourced, never run.
QEB_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
QEB_BUILD_DIR=${QEB_BUILD_DIR:-$QEB_ROOT/build}
QEB_CACHE_DIR=${QEB_CACHE_DIR:-${XDG_CACHE_HOME:-$HOME/.cache}/qebinfo}
QEB_BOOST_DIR=$QEB_CACHE_DIR/boost-1.74-mingw64
QEB_LIBZIP_DIR=$QEB_CACHE_DIR/libzip-1.7.3-mingw64
QEB_HARDENED_BUILD_DIR=${QEB_HARDENED_BUILD_DIR:-$QEB_ROOT/build-hardened}
QEB_NATIVE_BUILD_DIR=${QEB_NATIVE_BUILD_DIR:-$QEB_ROOT/build-native}
QEB_FUZZ_DIR=$QEB_ROOT/tests/fuzz

log() { printf '== %s\n' "$*" >&2; }

# A deb-src entry derived from the machine's own sources list, so no mirror host is
# written by this project.
qeb_ensure_deb_src() {
    local list=/etc/apt/sources.list.d/qebinfo-deb-src.sources
    if [ ! -f "$list" ]; then
        sed 's/^Types:.*/Types: deb-src/' /etc/apt/sources.list.d/debian.sources > "$list"
        apt-get update -qq
    fi
}

# Environment of a Wine prefix that behaves as a Japanese Windows.
qeb_wine_env() {
    export WINEPREFIX=$1
    export LANG=ja_JP.UTF-8
    export WINEDEBUG=-all
    export WINEDLLOVERRIDES="mscoree,mshtml="
    export WINEARCH=win64
}

# Starts the prefix's wineserver ourselves so that no implicit one inherits our
# standard output (it would hold a CI pipe open), and stops it on every exit.
qeb_start_wineserver() {
    mkdir -p "$WINEPREFIX"
    wineserver -p >/dev/null 2>&1 </dev/null
    trap 'wineserver -k >/dev/null 2>&1 || true' EXIT
}

# Creates the prefix if needed and starts its background services now, with our
# standard streams closed: a service started later by a test would inherit the
# test runner's pipe and keep it open.
qeb_ensure_prefix() {
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
        log "creating Wine prefix $WINEPREFIX"
        wine wineboot -i >/dev/null 2>&1 </dev/null
    fi
    wine cmd.exe /c exit 0 >/dev/null 2>&1 </dev/null
    # Wine's desktop process ends when it has been idle for a while; one started
    # later by a test's console child would hold the test's pipes open until it
    # idles out (about 20 s a test). A long-lived console keeps it running until
    # the wineserver is stopped.
    (wine cmd.exe /c "ping -n 86400 127.0.0.1 >nul" </dev/null >/dev/null 2>&1 &)
}

# [BUILD_DIR [CMAKE_OPTION ...]]: the Windows build, by default the release one.
qeb_configure_and_build() {
    local dir=${1:-$QEB_BUILD_DIR}
    shift || true
    cmake -S "$QEB_ROOT" -B "$dir" \
        -DCMAKE_TOOLCHAIN_FILE="$QEB_ROOT/cmake/toolchain-mingw-w64-x86_64.cmake" \
        -DCMAKE_BUILD_TYPE=Release \
        -DQEB_BOOST_MINGW_DIR="$QEB_BOOST_DIR" -DQEB_LIBZIP_MINGW_DIR="$QEB_LIBZIP_DIR" \
        "$@" >/dev/null
    cmake --build "$dir" -j "$(nproc)"
}

# The Windows build whose tests stop at out-of-range access and undefined arithmetic; its
# tests run in the release build's prefix.
qeb_configure_and_build_hardened() {
    qeb_configure_and_build "$QEB_HARDENED_BUILD_DIR" -DQEB_HARDENED=ON \
        -DQEB_WINEPREFIX="$QEB_BUILD_DIR/wineprefix"
}

# The portable core built natively with clang: unit tests under ASan and UBSan, fuzz targets.
qeb_native_configure_and_build() {
    CC=clang-14 CXX=clang++-14 cmake -S "$QEB_ROOT" -B "$QEB_NATIVE_BUILD_DIR" \
        -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQEB_FUZZ=ON >/dev/null
    cmake --build "$QEB_NATIVE_BUILD_DIR" -j "$(nproc)"
}

# Lines "target short-runs [flags...]" of tests/fuzz/targets.txt.
qeb_fuzz_targets() {
    grep -v '^#' "$QEB_FUZZ_DIR/targets.txt" | grep -v '^ *$'
}

# TARGET [LIBFUZZER_FLAG ...]: fuzzes one target from the committed seeds and regressions.
# New inputs go to the build tree, findings to build-native/fuzz-findings.
qeb_fuzz() {
    local target=$1
    shift
    local work=$QEB_NATIVE_BUILD_DIR/fuzz-corpus/$target
    local own_flags
    own_flags=$(qeb_fuzz_targets | awk -v t="$target" '$1 == t { $1 = ""; $2 = ""; print }')
    mkdir -p "$work" "$QEB_NATIVE_BUILD_DIR/fuzz-findings"
    # shellcheck disable=SC2086
    "$QEB_NATIVE_BUILD_DIR/fuzz/$target" -dict="$QEB_FUZZ_DIR/qebinfo.dict" \
        -artifact_prefix="$QEB_NATIVE_BUILD_DIR/fuzz-findings/$target-" $own_flags "$@" \
        "$work" "$QEB_FUZZ_DIR/corpus/$target" "$QEB_FUZZ_DIR/regressions/$target"
}
