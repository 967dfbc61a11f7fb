#!/usr/bin/env bash
# Debian ships no mingw build of libzip. Build it from Debian's own libzip source package
# (its patches applied) with the cross compiler, statically, with nothing but what QebInfo
# uses: Deflate over Debian's mingw zlib, and the WinZip AES encryption on Windows CNG.
set -euo pipefail
. "$(dirname "$0")/common.sh"

# What the build holds; a change here builds it again.
options=(-DBUILD_SHARED_LIBS=OFF -DENABLE_COMMONCRYPTO=OFF -DENABLE_GNUTLS=OFF
         -DENABLE_MBEDTLS=OFF -DENABLE_OPENSSL=OFF -DENABLE_WINDOWS_CRYPTO=ON
         -DENABLE_BZIP2=OFF -DENABLE_LZMA=OFF -DBUILD_TOOLS=OFF -DBUILD_REGRESS=OFF
         -DBUILD_EXAMPLES=OFF -DBUILD_DOC=OFF)
stamp=$QEB_LIBZIP_DIR/built.stamp
if [ -f "$stamp" ] && [ "$(cat "$stamp")" = "${options[*]}" ]; then
    exit 0
fi

work=$QEB_CACHE_DIR/libzip-src
mkdir -p "$work"
if ! ls "$work"/libzip_1.7.3-*.dsc >/dev/null 2>&1; then
    qeb_ensure_deb_src
    log "downloading the libzip source package"
    (cd "$work" && apt-get source --download-only -qq libzip=1.7.3-1 >/dev/null 2>&1)
fi

log "building libzip for mingw-w64"
rm -rf "$work/extract" "$work/build" "$QEB_LIBZIP_DIR"
(cd "$work" && dpkg-source --no-check -x libzip_1.7.3-*.dsc extract >/dev/null)

mingw=/usr/x86_64-w64-mingw32
# zlib by file: CMake's FindZLIB prefers libz.dll.a, and the exe would then need zlib1.dll.
# libzip's own warnings are not ours to mend: shown only when the build fails.
quietly() { "$@" >"$work/build.log" 2>&1 || { cat "$work/build.log" >&2; return 1; }; }
quietly cmake -S "$work/extract" -B "$work/build" \
    -DCMAKE_TOOLCHAIN_FILE="$QEB_ROOT/cmake/toolchain-mingw-w64-x86_64.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$QEB_LIBZIP_DIR" \
    -DZLIB_INCLUDE_DIR=$mingw/include -DZLIB_LIBRARY=$mingw/lib/libz.a \
    "${options[@]}"
quietly cmake --build "$work/build" -j "$(nproc)"
quietly cmake --install "$work/build"
rm -rf "$work/extract" "$work/build" "$work/build.log"
echo "${options[*]}" > "$stamp"
log "libzip for mingw-w64 is in $QEB_LIBZIP_DIR"
