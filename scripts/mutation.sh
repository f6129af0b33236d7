#!/usr/bin/env bash
# The mutation run over the portable logic (options/, operations/, window/;
# the control table aside): every mutant of the kinds scripts/mutation.py
# lists is built into a scratch copy of the tree (build/mutation, or
# PELLMORA_MUTATION_BUILD) and the native unit tests run against it under
# AddressSanitizer and UndefinedBehaviorSanitizer, with a time limit. Prints
# each mutant, file by file, as caught, survived, stillborn (its build
# failed) or equivalent (listed in scripts/mutation-equivalent.txt with the
# reason), and ends with one line:
#   mutants: K caught, S survived, B stillborn, E equivalent of N (score P %)
# where P = K / (N - B - E). It takes minutes: scripts/reliability-report.sh
# runs it, the test command does not.
#   scripts/mutation.sh                  every logic file
#   scripts/mutation.sh options/OptionsFile.cpp ...   only those
#   scripts/mutation.sh --list           the mutants, as the equivalent list names them
# Needs g++ with its sanitizer runtimes, cmake, googletest and python3;
# installs nothing itself.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

for tool in cmake g++ python3; do
  if ! command -v "$tool" >/dev/null 2>&1; then
    echo "scripts/mutation.sh: $tool not found: install Debian's package $tool" >&2
    exit 2
  fi
done
exec python3 "$root/scripts/mutation.py" "$@"
