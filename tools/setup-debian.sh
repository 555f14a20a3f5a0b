#!/usr/bin/env bash
# Installs what the build, the tests and the screenshots need on Debian 12.
set -euo pipefail
packages=(cmake g++ make pkg-config qt6-base-dev qt6-multimedia-dev libqt6sql6-sqlite libqt6sql6-psql libpq-dev libssl-dev
  qt6-image-formats-plugins gstreamer1.0-plugins-good gstreamer1.0-libav
  fonts-wqy-zenhei xvfb xauth sqlite3 libsqlite3-dev
  clang libclang-rt-14-dev)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
