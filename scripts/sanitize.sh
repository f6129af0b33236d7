#!/usr/bin/env bash
# Builds the native unit tests (the fault walks and the write-then-read
# property among them) once with AddressSanitizer and
# UndefinedBehaviorSanitizer (its own build folder, build/asan) and runs them. Any sanitizer report or failing test gives a
# non-zero exit. Needs g++ (its sanitizer runtimes come with it), cmake and
# googletest; installs nothing itself.
#   scripts/sanitize.sh
#   scripts/sanitize.sh --build-only   (for scripts/reliability-report.sh)
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${PELLMORA_ASAN_BUILD:-$root/build/asan}
flags="-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer"

for tool in cmake g++; do
  if ! command -v "$tool" >/dev/null 2>&1; then
    echo "scripts/sanitize.sh: $tool not found: install Debian's package ${tool/g++/g++}" >&2
    exit 2
  fi
done
mkdir -p "$build"
printf 'int main() { return 0; }\n' >"$build/probe.cpp"
if ! g++ $flags "$build/probe.cpp" -o "$build/probe" >"$build/probe.log" 2>&1; then
  echo "scripts/sanitize.sh: g++ cannot link with $flags (see $build/probe.log):" \
       "install Debian's packages libasan8 and libubsan1" >&2
  exit 2
fi

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:detect_stack_use_after_return=1:strict_string_checks=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

cmake -S "$root" -B "$build" --preset native -DCMAKE_CXX_FLAGS="$flags" \
  -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined" >"$build/configure.log"
cmake --build "$build" -j2 --target unit_tests
[ "${1:-}" = "--build-only" ] && exit 0

echo "== unit tests (AddressSanitizer, UndefinedBehaviorSanitizer)"
if ! "$build/tests/unit_tests" --gtest_brief=1; then
  echo "scripts/sanitize.sh: FAILED" >&2
  exit 1
fi
echo "scripts/sanitize.sh: unit tests clean under AddressSanitizer and UndefinedBehaviorSanitizer"
