#!/usr/bin/env bash
# Debian ships no mingw build of Boost's compiled libraries. Build Filesystem and
# Regex from Debian's boost1.74 source package with the cross compiler, against
# the installed headers (the other Boost parts we use are header-only).
set -euo pipefail
. "$(dirname "$0")/common.sh"

stamp=$QEB_BOOST_DIR/built.stamp
[ -f "$stamp" ] && exit 0

work=$QEB_CACHE_DIR/boost-src
mkdir -p "$work" "$QEB_BOOST_DIR/lib" "$QEB_BOOST_DIR/include"

if ! ls "$work"/boost1.74_*.orig.tar.xz >/dev/null 2>&1; then
    qeb_ensure_deb_src
    log "downloading the boost1.74 source package"
    (cd "$work" && apt-get source --download-only -qq boost1.74 >/dev/null 2>&1)
fi

log "building Boost.Filesystem and Boost.Regex for mingw-w64"
rm -rf "$work/extract" && mkdir -p "$work/extract"
tar -xJf "$work"/boost1.74_*.orig.tar.xz -C "$work/extract" --strip-components=1 \
    --wildcards '*/libs/filesystem/src/*' '*/libs/regex/src/*'

# Only Boost's headers go on the cross compiler's path, never /usr/include itself.
ln -sfn /usr/include/boost "$QEB_BOOST_DIR/include/boost"

cxx=x86_64-w64-mingw32-g++-posix
flags=(-std=c++17 -O2 -DNDEBUG -DBOOST_ALL_NO_LIB -isystem "$QEB_BOOST_DIR/include")
objs=$work/obj
rm -rf "$objs" && mkdir -p "$objs/filesystem" "$objs/regex"

export cxx objs flags_str="${flags[*]}"

for f in "$work"/extract/libs/filesystem/src/*.cpp; do
    echo "filesystem -DBOOST_FILESYSTEM_STATIC_LINK=1 $f"
done > "$work/jobs"
for f in "$work"/extract/libs/regex/src/*.cpp; do
    [ "$(basename "$f")" = icu.cpp ] && continue
    echo "regex -DBOOST_REGEX_STATIC_LINK=1 $f"
done >> "$work/jobs"

xargs -P "$(nproc)" -L 1 bash -c 'flags=($flags_str); "$cxx" "${flags[@]}" "$1" -c "$2" -o "$objs/$0/$(basename "$2" .cpp).o"' < "$work/jobs"

for lib in filesystem regex; do
    rm -f "$QEB_BOOST_DIR/lib/libboost_$lib.a"
    x86_64-w64-mingw32-ar rcs "$QEB_BOOST_DIR/lib/libboost_$lib.a" "$objs/$lib"/*.o
done
rm -rf "$work/extract" "$objs" "$work/jobs"
touch "$stamp"
log "Boost for mingw-w64 is in $QEB_BOOST_DIR"
