#!/usr/bin/env bash
# port-guard.sh arm LOG GUARD: empties the list of attempts and checks that
# the guard library refuses and lists one (a name no device has).
# port-guard.sh verdict LOG: fails when anything tried to open a system port.
set -euo pipefail
log=$2
case $1 in
arm)
  guard=$3
  rm -f "$log"
  : > "$log"
  chmod 666 "$log" # tests that run as nobody add to it too
  self=$(mktemp)
  trap 'rm -f "$self"' EXIT
  probe=/dev/ttyUSB-port-guard-self-test
  if LD_PRELOAD=$guard QUILLAR_PORT_GUARD_LOG=$self bash -c ": < $probe" 2> /dev/null; then
    echo "port guard: $probe opened" >&2
    exit 1
  fi
  grep -q "tried to open $probe" "$self" || { echo "port guard: the attempt on $probe was not listed" >&2; exit 1; }
  echo "port guard armed: $log"
  ;;
verdict)
  if [ -s "$log" ]; then
    echo "Tests tried to open the machine's serial ports or consoles (refused):" >&2
    cat "$log" >&2
    exit 1
  fi
  echo "no test tried to open a system serial port or console"
  ;;
esac
