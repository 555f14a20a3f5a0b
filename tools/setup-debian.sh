#!/usr/bin/env bash
# Installs what building and running the program needs on Debian 12.
#   bash tools/setup-debian.sh           the program
#   bash tools/setup-debian.sh --tests   also what the tests, fuzzing, benchmarks and
#                                        screenshots need
set -euo pipefail
packages=(cmake g++ make pkg-config qt6-base-dev qt6-multimedia-dev libqt6sql6-sqlite libsqlite3-dev
  libqt6sql6-psql libpq-dev libssl-dev mdbtools-dev libmdb3
  qt6-image-formats-plugins qt6-translations-l10n gstreamer1.0-plugins-good gstreamer1.0-libav
  fonts-wqy-zenhei xdg-utils)
if [ "${1:-}" = "--tests" ]; then
  # xvfb/xauth: screenshots; sqlite3: the benchmarks' baseline; clang: the fuzz targets;
  # postgresql: the server pass (pg_virtualenv); dosfstools/fusefat: a FAT volume;
  # mdbtools: mdb-export, the baseline of the Jet conversion benchmark.
  packages+=(xvfb xauth sqlite3 clang libclang-rt-14-dev postgresql dosfstools fusefat mdbtools)
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
