#!/usr/bin/env bash
# Installs what building and testing need on Debian 12 (idempotent, quiet when
# everything is there) and builds Boost.Filesystem and Boost.Regex for mingw-w64
# from Debian's own boost1.74 sources into a cache outside the work tree.
set -euo pipefail
. "$(dirname "$0")/common.sh"

packages=(wine g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 libboost1.74-dev
          googletest locales cmake make xz-utils dpkg-dev bc clang-14 libclang-rt-14-dev
          libboost-regex1.74-dev libz-mingw-w64-dev zip unzip p7zip-full nlohmann-json3-dev)

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    log "installing ${missing[*]}"
    apt-get update -qq
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}" >/dev/null
fi

if ! locale -a 2>/dev/null | grep -qi '^ja_JP\.utf8$'; then
    log "generating the ja_JP.UTF-8 locale"
    sed -i 's/^# *\(ja_JP\.UTF-8 UTF-8\)/\1/' /etc/locale.gen
    grep -q '^ja_JP.UTF-8 UTF-8' /etc/locale.gen || echo 'ja_JP.UTF-8 UTF-8' >> /etc/locale.gen
    locale-gen >/dev/null
fi

"$QEB_ROOT/scripts/build-boost-mingw.sh"
"$QEB_ROOT/scripts/build-libzip-mingw.sh"
