#!/usr/bin/env bash
# Runs every benchmark three times and prints, per measurement, the median and the spread
# (min–max) of the program's figure and of the ratio, as rows of the README's table.
# Usage: bash bench/three-runs.sh [BUILD-DIR] [RUNS] [NAME ...]   (each run's table stays in
# run-N.txt; names pick benchmarks as run-all.sh does)
# MC_RUNS_FROM=FOLDER summarises the run-N.txt already there instead of running again.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=${1:-build}
runs=${2:-3}
shift $(($# < 2 ? $# : 2))
out=${MC_RUNS_FROM:-.}
if [ -z "${MC_RUNS_FROM:-}" ]; then
  for n in $(seq 1 "$runs"); do
    echo "run $n of $runs" >&2
    bash "$here/run-all.sh" "$build" "$@" > "$out/run-$n.txt"
  done
fi

# A measurement line: label words, program and unit, baseline and unit, the baseline's
# name, ratio ("1.23x"); units are s, B or MiB.
awk '
function unit(u) { return u == "s" || u == "B" || u == "MiB" }
function num(v) { return v ~ /^-?[0-9]+(\.[0-9]+)?$/ }
function sorted(list, a,   n, i, j, t) {
  n = split(list, a, " ")
  for (i = 2; i <= n; i++) { t = a[i]; for (j = i - 1; j > 0 && a[j] + 0 > t + 0; j--) a[j + 1] = a[j]; a[j + 1] = t }
  return n
}
function median(list,   a, n) {
  n = sorted(list, a)
  return n % 2 ? a[(n + 1) / 2] : (a[n / 2] + a[n / 2 + 1]) / 2
}
function spread(list, fmt,   a, n) {
  n = sorted(list, a)
  return n > 1 ? sprintf(fmt "–" fmt, a[1], a[n]) : ""
}
$NF ~ /x$/ {
  for (i = 2; i + 3 < NF; i++)
    if (num($i) && unit($(i + 1)) && num($(i + 2)) && unit($(i + 3))) break
  if (i + 3 >= NF) next
  label = $1; for (k = 2; k < i; k++) label = label " " $k
  name = $(i + 4); for (k = i + 5; k < NF; k++) name = name " " $k
  if (!(label in prog)) { order[++count] = label }
  prog[label] = prog[label] " " $i; base[label] = base[label] " " $(i + 2)
  ratio[label] = ratio[label] " " substr($NF, 1, length($NF) - 1)
  units[label] = $(i + 1); bunits[label] = $(i + 3); names[label] = name
}
END {
  print "| measurement | program, median (min–max) | baseline, median | baseline is | ratio, median (min–max) |"
  print "|---|---|---|---|---|"
  for (c = 1; c <= count; c++) {
    l = order[c]; u = units[l]; f = u == "s" ? "%.4f" : "%.0f"
    printf "| %s | " f " %s (%s) | " f " %s | %s | %.2fx (%s) |\n", l, median(prog[l]), u, spread(prog[l], f), \
      median(base[l]), bunits[l], names[l], median(ratio[l]), spread(ratio[l], "%.2f")
  }
}' $(for n in $(seq 1 "$runs"); do echo "$out/run-$n.txt"; done)
