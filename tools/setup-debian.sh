#!/usr/bin/env bash
# Installs what building and running the program needs on Debian 12.
#   bash tools/setup-debian.sh           the program
#   bash tools/setup-debian.sh --tests   also what the tests, fuzzing, benchmarks and
#                                        screenshots need
set -euo pipefail
# GStreamer plays and makes thumbnails of video: -good, -bad and -ugly hold the containers and
# parsers, -libav the H.264/MPEG-4/AAC decoders, -alsa the sound output without a sound server.
# libqt6svg6 reads SVG pictures.
packages=(cmake g++ make pkg-config qt6-base-dev qt6-multimedia-dev libqt6sql6-sqlite libsqlite3-dev
  libpq-dev libssl-dev libgstreamer1.0-dev libgstreamer-plugins-base1.0-dev mdbtools-dev libmdb3
  qt6-image-formats-plugins qt6-translations-l10n libqt6svg6 gstreamer1.0-plugins-good gstreamer1.0-plugins-bad
  gstreamer1.0-plugins-ugly gstreamer1.0-libav gstreamer1.0-alsa fonts-wqy-zenhei xdg-utils)
if [ "${1:-}" = "--tests" ]; then
  # xvfb/xauth: screenshots; sqlite3: the benchmarks' baseline; clang: the fuzz targets;
  # postgresql: the server pass (pg_virtualenv); dosfstools/fusefat: a FAT volume;
  # passwd/util-linux/openssl: the shared catalogue's two accounts (useradd, setpriv) and TLS;
  # gstreamer1.0-tools: the media tests make their videos; openbox: screenshots with a window manager;
  # mdbtools: mdb-export, the baseline of the Jet conversion benchmark; clang-format-14: the layout check.
  packages+=(xvfb xauth sqlite3 clang libclang-rt-14-dev postgresql dosfstools fusefat passwd util-linux openssl
    gstreamer1.0-tools openbox mdbtools clang-format-14)
elif [ -n "${1:-}" ]; then
  echo "usage: $0 [--tests]" >&2
  exit 2
fi
# MC_SETUP_PRINT=1 only lists the packages (the tests check the split with it).
if [ -n "${MC_SETUP_PRINT:-}" ]; then
  printf '%s\n' "${packages[@]}"
  exit 0
fi
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
