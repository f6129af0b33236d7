#!/usr/bin/env bash
# Runs every robustness check at length and prints one table: a long fuzz run
# of the options reader, the write-then-read property over many option sets
# and the fault walks over every file-system call (both under
# AddressSanitizer and UndefinedBehaviorSanitizer), the mutation run over the
# logic (scripts/mutation.sh, some twenty minutes), and the Wine fault cases
# on real folders (the file system the options file is kept in, and the
# cleanup). Exits non-zero unless every count that must be zero is zero,
# every case passed and the unit tests catch at least 95 % of the mutants.
#   scripts/reliability-report.sh
# Lengths, from the environment:
#   PELLMORA_REPORT_FUZZ_SECONDS (600), PELLMORA_PROPERTY_CASES (20000),
#   PELLMORA_SEED (the tests' own), PELLMORA_WINDOWS_BUILD (build/windows),
#   PELLMORA_ASAN_BUILD (build/asan).
# Installs nothing; needs what fuzz/run.sh, scripts/sanitize.sh and the
# windows build need, and Wine.
set -uo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"
fuzz_seconds=${PELLMORA_REPORT_FUZZ_SECONDS:-600}
export PELLMORA_PROPERTY_CASES=${PELLMORA_PROPERTY_CASES:-20000}
windows_build=${PELLMORA_WINDOWS_BUILD:-$root/build/windows}
asan_build=${PELLMORA_ASAN_BUILD:-$root/build/asan}
logs=$root/build/reliability
mkdir -p "$logs"
failed=()

# Adds up the values of "REPORT key=value" lines for one key.
# Wine's console output ends its lines in CR LF.
sum() { tr -d '\r' <"$2" | sed -n "s/^REPORT $1=\([0-9]*\)$/\1/p" | awk '{s += $1} END {print s + 0}'; }

echo "== fuzzing the options reader for ${fuzz_seconds}s"
fuzz/run.sh "$fuzz_seconds" >"$logs/fuzz.log" 2>&1 || failed+=("fuzz run")
tail -3 "$logs/fuzz.log"

echo "== property and fault walks under the sanitizers"
if PELLMORA_ASAN_BUILD="$asan_build" scripts/sanitize.sh --build-only >"$logs/build-asan.log" 2>&1; then
  ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    "$asan_build/tests/unit_tests" --gtest_filter='FaultWalk.*:OptionsSave.*' >"$logs/robust.log" 2>&1 ||
    failed+=("robustness tests")
  grep -E '^\[  (PASSED|FAILED)' "$logs/robust.log"
else
  failed+=("sanitizer build (see $logs/build-asan.log)")
  : >"$logs/robust.log"
fi

echo "== mutation run over the logic"
scripts/mutation.sh >"$logs/mutation.log" 2>&1 || failed+=("mutation run (see $logs/mutation.log)")
mutation=$(sed -n 's/^mutants: //p' "$logs/mutation.log" | tail -1)
echo "mutants: ${mutation:-none run}"
mutation_score=$(sed -n 's/.*(score \([0-9.]*\) %)$/\1/p' <<<"$mutation")

echo "== Wine fault cases"
wine_cases=0
wine_passed=0
if { cmake --preset windows -B "$windows_build" >/dev/null &&
     cmake --build "$windows_build" -j2 --target wine_tests; } >"$logs/build-windows.log" 2>&1; then
  source scripts/xvfb.sh 2>/dev/null || true
  scripts/wine.sh wine "$windows_build/tests/wine/wine_tests.exe" --gtest_filter='FileSystem.*:Cleanup*' \
    >"$logs/wine.log" 2>&1 ||
    failed+=("Wine fault cases")
  tr -d '\r' <"$logs/wine.log" >"$logs/wine.txt"
  wine_cases=$(sed -n 's/^\[==========\] \([0-9]*\) tests\? from .* ran\..*/\1/p' "$logs/wine.txt" | tail -1)
  wine_passed=$(sed -n 's/^\[  PASSED  \] \([0-9]*\) tests\?\..*/\1/p' "$logs/wine.txt" | tail -1)
  sed -n 's/^\[  FAILED  \] \([A-Za-z]*\.[A-Za-z]*\).*/  failed: \1/p' "$logs/wine.txt" | sort -u
else
  failed+=("windows build (see $logs/build-windows.log)")
  : >"$logs/wine.log"
fi

fuzz_execs=$(sum fuzz_execs "$logs/fuzz.log")
fuzz_crashes=$(sum fuzz_crashes "$logs/fuzz.log")
property_cases=$(sum property_cases "$logs/robust.log")
property_failures=$(sum property_failures "$logs/robust.log")
faults=$(sum faults_walked "$logs/robust.log")
violations=$(sum fault_violations "$logs/robust.log")
outside=$(sum outside_touched "$logs/robust.log")
wine_cases=${wine_cases:-0}
wine_passed=${wine_passed:-0}

printf '\nPellmora reliability report (logs in %s)\n\n' "$logs"
printf '| %-50s | %15s |\n' "check" "result"
printf '|%s|%s|\n' "$(printf -- '-%.0s' {1..52})" "$(printf -- '-%.0s' {1..17})"
row() { printf '| %-50s | %15s |\n' "$1" "$2"; }
row "fuzz executions of the options reader (${fuzz_seconds} s)" "$fuzz_execs"
row "fuzz crashes, hangs and broken invariants" "$fuzz_crashes"
row "property cases, write then read" "$property_cases"
row "property cases read back differently" "$property_failures"
row "injected file-system faults walked" "$faults"
row "invariant violations under those faults" "$violations"
row "Wine fault cases passed" "$wine_passed of $wine_cases"
row "files outside the target touched (fault walks)" "$outside"
row "mutants the unit tests catch (equivalents aside)" "${mutation_score:--} %"
echo

[ "$fuzz_crashes" -eq 0 ] || failed+=("fuzz crashes")
[ "$property_failures" -eq 0 ] || failed+=("property failures")
[ "$violations" -eq 0 ] || failed+=("fault invariant violations")
[ "$outside" -eq 0 ] || failed+=("files touched outside the target")
awk -v p="${mutation_score:-0}" 'BEGIN { exit !(p >= 95) }' || failed+=("mutation score below 95 %")
[ "$wine_cases" -gt 0 ] && [ "$wine_passed" -eq "$wine_cases" ] || failed+=("Wine fault cases")
if [ ${#failed[@]} -gt 0 ]; then
  printf 'NOT PROVEN:'
  printf ' %s;' "$(printf '%s\n' "${failed[@]}" | sort -u)"
  echo
  exit 1
fi
echo "Every check passed."
