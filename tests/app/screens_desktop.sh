#!/bin/sh
# The program's windows on a screen of the given size under a real window manager, as a user
# meets them: screens_desktop.sh SCREENS WxH OUTDIR. The screenshots stay in OUTDIR.
set -e
screens=$1 size=$2 out=$3
mkdir -p "$out"
exec xvfb-run -a -s "-screen 0 ${size}x24" sh -c '
  openbox >/dev/null 2>&1 & wm=$!
  sleep 1
  "$0" --desktop "$1"; rc=$?
  kill $wm
  exit $rc' "$screens" "$out"
