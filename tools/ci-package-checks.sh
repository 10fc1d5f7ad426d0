#!/usr/bin/env bash
# Checks Quillar as a desktop installs it, on the build that tools/test.sh
# made in build/: the installed files, the menu entry, the metadata, the manual
# page, the Debian package, and the command line answering without a display.
set -euo pipefail
cd "$(dirname "$0")/.."
build=build
id=org.quillar.Quillar
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

fail() {
  echo "ci-package-checks: $*" >&2
  exit 1
}

# Exactly these files, and nothing else, whether installed by hand or by the
# package (no tests, benchmarks or fake device).
expected=$(sort <<EOF
usr/bin/quillar
usr/share/applications/$id.desktop
usr/share/doc/quillar/changelog.gz
usr/share/doc/quillar/copyright
usr/share/icons/hicolor/16x16/apps/$id.png
usr/share/icons/hicolor/24x24/apps/$id.png
usr/share/icons/hicolor/32x32/apps/$id.png
usr/share/icons/hicolor/48x48/apps/$id.png
usr/share/icons/hicolor/64x64/apps/$id.png
usr/share/icons/hicolor/128x128/apps/$id.png
usr/share/icons/hicolor/256x256/apps/$id.png
usr/share/icons/hicolor/scalable/apps/$id.svg
usr/share/man/man1/quillar.1.gz
usr/share/metainfo/$id.metainfo.xml
usr/share/quillar/Term_Istr.rtf
EOF
)

echo "== install into a temporary DESTDIR"
root="$work/root"
DESTDIR="$root" cmake --install "$build" --prefix /usr >/dev/null
installed=$(cd "$root" && find . ! -type d | sed 's|^\./||' | sort)
diff <(echo "$expected") <(echo "$installed") || fail "the installed files differ from the expected list"
for png in "$root"/usr/share/icons/hicolor/*x*/apps/"$id".png; do
  n=$(basename "$(dirname "$(dirname "$png")")")
  file "$png" | grep -q "PNG image data, ${n/x/ x }," || fail "$png is not a ${n} PNG"
done

echo "== menu entry and metadata"
desktop-file-validate "$root/usr/share/applications/$id.desktop"
appstreamcli validate --no-net "$root/usr/share/metainfo/$id.metainfo.xml"

echo "== manual page"
warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l "$root/usr/share/man/man1/quillar.1.gz" 2>&1 >/dev/null)
[ -z "$warnings" ] || fail "man reports: $warnings"

echo "== Debian package"
rm -f "$build"/quillar_*.deb
(cd "$build" && cpack -G DEB >/dev/null)
deb=$(echo "$build"/quillar_*.deb)
[ -f "$deb" ] || fail "cpack made no package"
packaged=$(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ { sub(/^\.\//, "", $6); print $6 }' | sort)
diff <(echo "$expected") <(echo "$packaged") || fail "the package's files differ from the expected list"
depends=$(dpkg-deb -f "$deb" Depends)
for needed in libqt6core6 libqt6gui6 libqt6widgets6 libqt6network6 qt6-qpa-plugins qt6-translations-l10n; do
  grep -q "$needed" <<<"$depends" || fail "Depends lacks $needed: $depends"
done
status=0
report=$(lintian --fail-on error "$deb" 2>&1) || status=$?
grep -v '^running with root privileges' <<<"$report" || true
[ "$status" = 0 ] || fail "lintian reports errors"
echo "$(basename "$deb"): $(stat -c %s "$deb") bytes"

echo "== command line, with no display, in empty folders"
program="$root/usr/bin/quillar"
# The port guard refuses the machine's own serial ports and consoles, and
# lists every attempt: the installed program runs under it, as the tests do.
guard="$PWD/$build/tools/port-guard/libquillar_port_guard.so"
[ -f "$guard" ] || fail "no port guard at $guard"
export QUILLAR_PORT_GUARD_LOG="$work/port-guard.log"
run() { # expected-status arguments...
  local want=$1
  shift
  rm -rf "$work/cwd" "$work/home"
  mkdir "$work/cwd" "$work/home"
  local status=0
  (cd "$work/cwd" && env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM -u XDG_CONFIG_HOME HOME="$work/home" \
    LD_PRELOAD="$guard" "$program" "$@" >"$work/out" 2>"$work/err") || status=$?
  [ "$status" = "$want" ] || fail "quillar $* exited with $status, not $want: $(cat "$work/err")"
  local written
  written=$(find "$work/cwd" "$work/home" -mindepth 1)
  [ -z "$written" ] || fail "quillar $* wrote files: $written"
}
run 0 --help
grep -q '^Usage: quillar \[options\]' "$work/out" || fail "--help prints no usage"
[ ! -s "$work/err" ] || fail "--help wrote to standard error"
run 0 --version
grep -qx 'quillar [0-9.]*' "$work/out" || fail "--version prints $(cat "$work/out")"
run 0 --list-ports --user-dir
run 2 --no-such-option
grep -q "^quillar: Unknown option 'no-such-option'" "$work/err" || fail "a bad option gives no clear error"
[ ! -s "$QUILLAR_PORT_GUARD_LOG" ] || fail "the program tried to open a system serial port: $(cat "$QUILLAR_PORT_GUARD_LOG")"
echo "ci-package-checks: all passed"
