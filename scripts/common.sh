# Shared settings of the project's scripts; sourced, never run.
QEB_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
QEB_BUILD_DIR=${QEB_BUILD_DIR:-$QEB_ROOT/build}
QEB_CACHE_DIR=${QEB_CACHE_DIR:-${XDG_CACHE_HOME:-$HOME/.cache}/qebinfo}
QEB_BOOST_DIR=$QEB_CACHE_DIR/boost-1.74-mingw64

log() { printf '== %s\n' "$*" >&2; }

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

qeb_configure_and_build() {
    cmake -S "$QEB_ROOT" -B "$QEB_BUILD_DIR" \
        -DCMAKE_TOOLCHAIN_FILE="$QEB_ROOT/cmake/toolchain-mingw-w64-x86_64.cmake" \
        -DCMAKE_BUILD_TYPE=Release \
        -DQEB_BOOST_MINGW_DIR="$QEB_BOOST_DIR" >/dev/null
    cmake --build "$QEB_BUILD_DIR" -j "$(nproc)"
}
