#!/usr/bin/env bash
# unprivileged.sh PROGRAM [ARGS...]: runs a test so that permissions bind.
# As root (CI), a copy runs as nobody, with a small filesystem mounted in a
# private namespace where it can be, its folder in QUILLAR_SMALL_DISK.
# There it also gets pseudo-terminals and lock files of its own: tests run
# side by side, and a Quillar of another test that reopens its port's link
# must not find this test's terminal behind a reused number, nor this test
# that Quillar's lock on the number.
set -euo pipefail
program=$1
shift
if [ "$(id -u)" != 0 ]; then
  exec "$program" "$@"
fi

work=$(mktemp -d /tmp/quillar-unprivileged.XXXXXX)
trap 'rm -rf "$work"' EXIT
chmod 755 "$work"
mkdir "$work/home" "$work/disk"
chown nobody:nogroup "$work/home"
cp "$program" "$work/"
copy="$work/$(basename "$program")"
# The port guard's library and its list of attempts, copied where nobody
# reaches them; what nobody's run adds to the list goes back to the suite's.
guard_log=${QUILLAR_PORT_GUARD_LOG:-}
if [ -n "$guard_log" ]; then
  preload=()
  for object in ${LD_PRELOAD//:/ }; do
    cp "$object" "$work/"
    preload+=("$work/$(basename "$object")")
  done
  export LD_PRELOAD="${preload[*]}" QUILLAR_PORT_GUARD_LOG="$work/port-guard.log"
  : > "$QUILLAR_PORT_GUARD_LOG"
  chmod 666 "$QUILLAR_PORT_GUARD_LOG"
fi
as_nobody=(setpriv --reuid=nobody --regid=nogroup --clear-groups --)
status=0
if unshare --mount --propagation private true 2> /dev/null; then
  unshare --mount --propagation private -- bash -c '
    set -e
    mount -t tmpfs -o size=256k,mode=1777 quillar-small-disk "$1/disk"
    if mount -t devpts -o newinstance,ptmxmode=0666,mode=0620 quillar-ptys /dev/pts 2> /dev/null; then
      mount --bind /dev/pts/ptmx /dev/ptmx
    else
      echo "unprivileged.sh: no pseudo-terminals of its own here: they are shared with other tests" >&2
    fi
    mount -t tmpfs -o size=64k,mode=1777 quillar-locks /run/lock
    cd "$1/home"
    exec env HOME="$1/home" QUILLAR_SMALL_DISK="$1/disk" "${@:2}"
  ' bash "$work" "${as_nobody[@]}" "$copy" "$@" || status=$?
else
  echo "unprivileged.sh: no mount namespace here: the tests of a full filesystem are skipped" >&2
  (cd "$work/home" && env HOME="$work/home" "${as_nobody[@]}" "$copy" "$@") || status=$?
fi
[ -z "$guard_log" ] || cat "$QUILLAR_PORT_GUARD_LOG" >> "$guard_log"
exit $status
