#!/usr/bin/env bash
# Fuzzes the reader of Pellmora.ini for SECONDS seconds with libFuzzer under
# AddressSanitizer and UndefinedBehaviorSanitizer, starting from the seed
# files in fuzz/corpus/ (one per kind of good and bad file). Prints
#   REPORT fuzz_execs=N
#   REPORT fuzz_crashes=N
# and exits non-zero on any crash, leak, hang or broken invariant.
#   fuzz/run.sh 60
# Needs Debian's clang and libclang-rt-14-dev; installs nothing itself.
set -euo pipefail

if [ $# -ne 1 ] || ! [[ $1 =~ ^[0-9]+$ ]] || [ "$1" -lt 1 ]; then
  echo "usage: fuzz/run.sh SECONDS" >&2
  exit 2
fi
seconds=$1
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
out=${PELLMORA_FUZZ_BUILD:-$root/build/fuzz}
cxx=${PELLMORA_FUZZ_CXX:-clang++}

if ! command -v "$cxx" >/dev/null 2>&1; then
  echo "fuzz/run.sh: $cxx not found: install Debian's packages clang and libclang-rt-14-dev" >&2
  exit 2
fi
mkdir -p "$out/work-corpus" "$out/artifacts"
probe=$out/probe.cpp
printf 'extern "C" int LLVMFuzzerTestOneInput(const unsigned char*, unsigned long) { return 0; }\n' >"$probe"
if ! "$cxx" -fsanitize=fuzzer,address,undefined "$probe" -o "$out/probe" >"$out/probe.log" 2>&1; then
  echo "fuzz/run.sh: $cxx cannot link a libFuzzer program (see $out/probe.log):" \
       "install Debian's package libclang-rt-14-dev" >&2
  exit 2
fi

fuzzer=$out/options_reader_fuzz
"$cxx" -std=c++20 -g -O1 -Wall -Wextra -Werror -Wno-missing-field-initializers \
  -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer \
  -I"$root" "$root/fuzz/options_reader_fuzz.cpp" "$root/options/OptionsFile.cpp" -o "$fuzzer"

# Inputs found by earlier runs are kept in work-corpus and fuzzed again;
# the seeds themselves are only read.
rm -f "$out"/artifacts/*
log=$out/last-run.log
status=0
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
  "$fuzzer" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=4096 \
  -print_final_stats=1 -artifact_prefix="$out/artifacts/" \
  "$out/work-corpus" "$root/fuzz/corpus" >"$log" 2>&1 || status=$?

execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
crashes=$(find "$out/artifacts" -type f | wc -l)
if [ "$status" -ne 0 ] && [ "$crashes" -eq 0 ]; then crashes=1; fi
echo "REPORT fuzz_execs=${execs:-0}"
echo "REPORT fuzz_crashes=$crashes"
if [ "$status" -ne 0 ] || [ "$crashes" -ne 0 ]; then
  echo "fuzz/run.sh: the options reader failed (exit $status); log: $log" >&2
  grep -E 'ERROR|SUMMARY|Test unit written|==[0-9]+==' "$log" | head -20 >&2 || true
  exit 1
fi
echo "fuzz/run.sh: ${execs:-0} inputs in ${seconds}s, no crash; corpus $out/work-corpus"
