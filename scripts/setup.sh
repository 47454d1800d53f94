#!/bin/sh
# Installs the Debian 12 packages that building, running, testing and packaging Brisko need.
# Safe to run again: prints nothing and changes nothing when all are present.
set -eu

PACKAGES="
    g++
    cmake
    make
    pkg-config
    qt6-base-dev
    qt6-qpa-plugins
    qt6-tools-dev
    qt6-l10n-tools
    qt6-translations-l10n
    libqt6opengl6-dev
    libgl-dev
    libtag1-dev
    libjpeg62-turbo-dev
    libpng-dev
    libwebp-dev
    zlib1g-dev
    fonts-dejavu-core
    python3-mutagen
    python3-pil
    webp
    flac
    vorbis-tools
    opus-tools
    ffmpeg
    atomicparsley
    btrfs-progs
    desktop-file-utils
    appstream
    dpkg-dev
    file
    lintian
"

# "fuzz" adds clang and its sanitizer runtime, for the fuzz build.
if [ "${1:-}" = "fuzz" ]; then
    PACKAGES="$PACKAGES clang libclang-rt-14-dev"
fi

missing=""
for package in $PACKAGES; do
    status=$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)
    case "$status" in
        *" installed") ;;
        *) missing="$missing $package" ;;
    esac
done

[ -z "$missing" ] && exit 0

if [ "$(id -u)" -eq 0 ]; then
    as_root=""
elif command -v sudo >/dev/null 2>&1; then
    as_root="sudo"
else
    echo "setup: these packages are missing and installing them needs root:$missing" >&2
    exit 1
fi

echo "setup: installing$missing"
export DEBIAN_FRONTEND=noninteractive
$as_root apt-get update -qq
# shellcheck disable=SC2086 # the list is meant to split into words
$as_root apt-get install -y -qq --no-install-recommends $missing >/dev/null
