#!/usr/bin/env bash
# Runs a test program the way a user's program runs: not as root, so that
# folder, file and device permissions bind. CTest runs the tests that meet
# real permission faults through this script:
#
#   unprivileged.sh PROGRAM [ARGS...]
#
# Run by an ordinary user, it runs the program as it is. Run by root (as CI
# does), it runs a copy of the program as nobody, with a small filesystem of
# its own mounted in a private mount namespace where mounting is allowed;
# its folder is handed over in QUILLAR_SMALL_DISK for the tests that fill it.
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
# nobody may not reach a build tree under /root: it runs a copy.
cp "$program" "$work/"

copy="$work/$(basename "$program")"
status=0
if unshare --mount --propagation private true 2> /dev/null; then
  # A filesystem of its own to fill up, seen by this test only.
  unshare --mount --propagation private -- bash -c '
    set -e
    work=$1
    shift
    mount -t tmpfs -o size=256k,mode=1777 quillar-small-disk "$work/disk"
    cd "$work/home"
    exec env HOME="$work/home" QUILLAR_SMALL_DISK="$work/disk" \
      setpriv --reuid=nobody --regid=nogroup --clear-groups -- "$@"
  ' bash "$work" "$copy" "$@" || status=$?
else
  echo "unprivileged.sh: no mount namespace here: the tests of a full filesystem are skipped" >&2
  (cd "$work/home" && env HOME="$work/home" setpriv --reuid=nobody --regid=nogroup --clear-groups -- "$copy" "$@") ||
    status=$?
fi
exit $status
