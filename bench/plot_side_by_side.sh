#!/usr/bin/env bash
# The plot's CPU against the same stream with the plot closed, measured
# side by side: two programs on one X server (Xvfb under openbox), one with
# the plot never opened, one showing the last 10 s, each fed ten series a
# millisecond. Whatever else slows the machine slows both alike, so their
# ratio holds where two runs one after the other differ by more than the
# plot costs. Not part of the tests.
#   bench/plot_side_by_side.sh [seconds a round, default 30] [rounds, default 5] [phase, default 10s]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-30} rounds=${2:-5} phase=${3:-10s}
bench=build/bench/bench_plot
[ -x "$bench" ] || { echo "build first: $bench is missing" >&2; exit 1; }
command -v Xvfb >/dev/null && command -v openbox >/dev/null || bash tools/setup-debian.sh

work=$(mktemp -d)
pids=()
cleanup() { kill "${pids[@]}" 2>/dev/null || true; rm -rf "$work"; }
trap cleanup EXIT
exec {fd}<> <(:)
Xvfb -displayfd "$fd" -screen 0 1280x800x24 -dpi 96 -nolisten tcp >/dev/null 2>&1 &
pids+=($!)
read -r -t 10 -u "$fd" number
export DISPLAY=:$number
openbox >/dev/null 2>&1 &
pids+=($!)
sleep 1

cpu() { sed -n 's/.*: \([0-9.]*\) % CPU.*/\1/p' "$1" | tail -1; }
ratios=()
for round in $(seq "$rounds"); do
  "$bench" "$seconds" 360000 closed >"$work/closed" 2>/dev/null &
  closed=$!
  "$bench" "$seconds" 360000 "$phase" >"$work/open" 2>/dev/null &
  open=$!
  wait "$closed" "$open"
  a=$(cpu "$work/closed") b=$(cpu "$work/open")
  ratio=$(awk -v a="$a" -v b="$b" 'BEGIN { printf "%.2f", b / a }')
  ratios+=("$ratio")
  echo "round $round: closed $a % CPU, $phase $b % CPU: $ratio times"
done
printf '%s\n' "${ratios[@]}" | sort -n | awk '{ r[NR] = $1 } END { printf "median %.2f times (of %d rounds)\n", r[int((NR + 1) / 2)], NR }'
