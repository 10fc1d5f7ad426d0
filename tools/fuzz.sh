#!/usr/bin/env bash
# Runs one fuzz target of tests/fuzz for a given time:
#
#   tools/fuzz.sh TARGET SECONDS [libFuzzer options...]
#
# TARGET is rtf, rtf-layout, settings, numeric, display or rfc2217. The targets are
# built with clang, libFuzzer, AddressSanitizer and UndefinedBehaviorSanitizer
# in build-hardening/ (tools/build-hardening.sh). Each run starts from a seed
# corpus made of the project's own files and keeps what it finds interesting in
# build-hardening/fuzz/corpus/TARGET for the next run. A finding stops the run
# with a failure; its input is saved in build-hardening/fuzz/findings/.
set -euo pipefail
cd "$(dirname "$0")/.."

usage() { echo "usage: tools/fuzz.sh rtf|rtf-layout|settings|numeric|display|rfc2217 SECONDS [libFuzzer options...]" >&2; exit 2; }
[ $# -ge 2 ] || usage
target=$1 seconds=$2
shift 2

build=build-hardening
case $target in
  rtf) binary=fuzz_rtf; options=(-max_len=8192 -dict="$build/fuzz/$target.dict") ;;
  # Laying text out fills Qt's font engine caches, which Qt keeps for the
  # life of the process and never frees: no leak check here. The reader's own
  # memory is checked by the rtf target, which reads the same documents.
  rtf-layout) binary=fuzz_rtf_layout; options=(-max_len=8192 -dict="$build/fuzz/$target.dict" -detect_leaks=0)
    ASAN_OPTIONS="detect_leaks=0${ASAN_OPTIONS:+:$ASAN_OPTIONS}" ;;
  settings) binary=fuzz_settings; options=(-max_len=512) ;;
  numeric) binary=fuzz_numeric_value; options=(-max_len=128) ;;
  # Each operation on a display of 20,000 characters scans it: short inputs
  # keep the rate of executions up.
  display) binary=fuzz_display; options=(-max_len=64) ;;
  rfc2217) binary=fuzz_rfc2217; options=(-max_len=4096 -dict="$build/fuzz/$target.dict") ;;
  *) usage ;;
esac

# CI builds the whole tree first and runs targets side by side.
[ -n "${QUILLAR_FUZZ_BUILT:-}" ] || bash tools/build-hardening.sh "$binary" > /dev/null

# Seeds from the project's own files.
seeds=$build/fuzz/seeds/$target
rm -rf "$seeds"
mkdir -p "$seeds" "$build/fuzz/corpus/$target" "$build/fuzz/findings"
case $target in
  rtf | rtf-layout)
    cp tests/help/rtf-samples/*.rtf src/help/Term_Istr.rtf "$seeds/"
    # The reader's keywords, so that mutations speak RTF.
    {
      grep -o '{"[a-z]*", {' src/help/rtf_keywords.cpp | cut -d'"' -f2 | sort -u | sed 's/.*/"\\\\&"/'
      printf '"{\\\\rtf1 "\n"{\\\\*"\n"\\\\'"'"'"\n"}"\n'
    } > "$build/fuzz/$target.dict"
    ;;
  settings)
    # Byte 0 bit 0: the bytes are the whole file. The README's record, and
    # the record the program writes for a window on a second screen.
    record=$(grep -m1 -o '^"1","4800".*' README.md || true)
    printf '\001%s\r\n' "$record" > "$seeds/readme"
    printf '\000%s\r\n' "$record" > "$seeds/readme-start"
    printf '\001"3","9600",-1200.5,40000,16000,7000,"","255","0"\r\n' > "$seeds/second-screen"
    ;;
  numeric)
    # What the boxes hold: the README's record's texts, and typed or pasted forms.
    i=0
    for text in 1 4800 31 128 150 0 -42 " 1 2 3" 1.5e3 0.3 ".25" "2E-2" "9600,n,8,1"; do
      printf '%s' "$text" > "$seeds/box$((i++))"
    done
    ;;
  display)
    # Byte 0: the bounds (31 and 128), byte 1: line-feed mode and starting
    # length; the rest is read as the device's bytes and operations.
    printf '\020\001' | cat - README.md | head -c 2000 > "$seeds/readme-lf"
    printf '\020\010' | cat - src/help/Term_Istr.rtf | head -c 2000 > "$seeds/rtf-timer"
    ;;
  rfc2217)
    # Byte 0: where the reads end. What ser2net 4.3 sends a client: its
    # offers, the replies to the line's set-up and the first notifications,
    # then data with 0xFF doubled; and the README as plain data.
    printf '\003\377\373\003\377\375\003\377\373\001\377\376\001\377\375\000\377\373\000\377\375\054' > "$seeds/greeting"
    printf '\001\377\372\054\152\000\377\360\377\372\054\153\000\377\360\377\372\054\145\000\001\302\000\377\360\377\372\054\146\010\377\360\377\372\054\147\001\377\360\377\372\054\150\001\377\360hello\377\377\000\r\n' > "$seeds/set-up"
    printf '\007' | cat - README.md | head -c 3000 > "$seeds/readme"
    printf '%s\n' '"\xFF\xFF"' '"\xFF\xFA,"' '"\xFF\xF0"' '"\xFF\xFB"' '"\xFF\xFC"' '"\xFF\xFD"' '"\xFF\xFE"' \
      '"j"' '"k"' '"e"' > "$build/fuzz/$target.dict"
    ;;
esac

echo "fuzz.sh: $target for $seconds s" >&2
export LSAN_OPTIONS="suppressions=$PWD/tools/lsan-suppressions.txt:print_suppressions=0"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"
# Handing freed memory back to the system at every turn makes a long run of
# the RTF targets, which decode pictures, several times slower as it goes.
export ASAN_OPTIONS="allocator_release_to_os_interval_ms=-1${ASAN_OPTIONS:+:$ASAN_OPTIONS}"
"$build/tests/fuzz/$binary" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
  -artifact_prefix="$build/fuzz/findings/$target-" "${options[@]}" "$@" "$build/fuzz/corpus/$target" "$seeds"
