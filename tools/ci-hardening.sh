#!/usr/bin/env bash
# CI's hardening stages, run after the README's test command (which has built
# build/ and run the tests, those that meet real permission and full-disk
# faults as nobody):
#
#  1. the whole test suite again, built with clang, AddressSanitizer and
#     UndefinedBehaviorSanitizer; any report fails it, also one from a
#     process whose exit status nobody checks;
#  2. each fuzz target of tests/fuzz for about 20 seconds, two at a time;
#  3. the unplug soak, 10 cycles, on a virtual X display with a window manager.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/setup-debian.sh > /dev/null

echo "== sanitizer build"
bash tools/build-hardening.sh > /dev/null

echo "== test suite under AddressSanitizer and UndefinedBehaviorSanitizer ($SECONDS s)"
reports=$(mktemp -d /tmp/quillar-sanitizers.XXXXXX)
chmod 1777 "$reports" # the unprivileged tests write there as nobody
cp tools/lsan-suppressions.txt "$reports/suppressions"
chmod 644 "$reports/suppressions"
export ASAN_OPTIONS="log_path=$reports/asan:detect_leaks=1"
export LSAN_OPTIONS="suppressions=$reports/suppressions:print_suppressions=0"
export UBSAN_OPTIONS="log_path=$reports/ubsan:halt_on_error=1:print_stacktrace=1"
status=0
ctest --test-dir build-hardening --output-on-failure -LE desktop -j"$(nproc)" || status=$?
if compgen -G "$reports/*san.[0-9]*" > /dev/null; then
  echo "Sanitizer reports:"
  cat "$reports"/*san.[0-9]*
  status=1
fi
if grep -rqs "runtime error" build-hardening/Testing/Temporary/LastTest.log; then
  echo "UndefinedBehaviorSanitizer: runtime error in the test log"
  status=1
fi
rm -rf "$reports"
unset ASAN_OPTIONS LSAN_OPTIONS UBSAN_OPTIONS
[ "$status" = 0 ] || exit "$status"

echo "== fuzz targets, 20 s each ($SECONDS s)"
export QUILLAR_FUZZ_BUILT=1
for pair in "rtf rtf-layout" "settings numeric" "display rfc2217"; do
  pids=()
  for target in $pair; do
    bash tools/fuzz.sh "$target" 20 > "build-hardening/fuzz-$target.log" 2>&1 &
    pids+=("$!")
  done
  for i in "${!pids[@]}"; do
    target=$(echo "$pair" | cut -d' ' -f$((i + 1)))
    if wait "${pids[$i]}"; then
      echo "$target: $(grep -m1 -o 'Done [0-9]* runs' "build-hardening/fuzz-$target.log"), no finding"
    else
      tail -40 "build-hardening/fuzz-$target.log"
      echo "$target: FINDING (input in build-hardening/fuzz/findings/)"
      status=1
    fi
  done
done
[ "$status" = 0 ] || exit "$status"

echo "== unplug soak, 10 cycles, on Xvfb with openbox ($SECONDS s)"
# Under the port guard, as the tests run: the soak opens pseudo-terminals only.
guard_log=$(mktemp)
xvfb-run -a -s "-screen 0 1280x800x24 -dpi 96" bash -c '
  openbox > /dev/null 2>&1 &
  sleep 1
  LD_PRELOAD="$PWD/build/tools/port-guard/libquillar_port_guard.so" QUILLAR_PORT_GUARD_LOG="$1" build/bench/soak_unplug 10
  status=$?
  kill %1
  exit $status' bash "$guard_log"
if [ -s "$guard_log" ]; then
  echo "The soak tried to open the machine's serial ports or consoles:"
  cat "$guard_log"
  exit 1
fi
rm -f "$guard_log"
echo "== hardening stages done ($SECONDS s)"
