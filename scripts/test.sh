#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: the plain build's whole
# suite, the suite again under AddressSanitizer + UndefinedBehaviorSanitizer but
# for the slow suites labelled "once" (the real window, the desktop, the page in
# Chromium, the package), the tests labelled "concurrency" under
# ThreadSanitizer, and every fuzz target for a short while from its seed corpus.
# README.md says what each stage covers and how long it takes.
# VELMORIN_QUICK=1 stops after the plain build's tests; VELMORIN_FUZZ_SECONDS
# sets the time per fuzz target (20 by default).
set -euo pipefail
cd "$(dirname "$0")/.."

step() {
  local name=$1 start=$SECONDS
  shift
  echo "== $name"
  "$@"
  echo "== $name: $((SECONDS - start)) s"
}

bash scripts/build.sh
if [[ -f package-lock.json ]]; then
  npm ci --no-audit --no-fund --loglevel=error
fi
step "tests" ctest --test-dir build --output-on-failure -j2
[[ ${VELMORIN_QUICK:-0} == 1 ]] && exit 0

# Each sanitizer build has its own folder; a report fails its test.
step "asan build" bash -c 'cmake --preset asan >/dev/null && cmake --build --preset asan'
step "asan tests" ctest --preset asan
# The thread sanitizer needs only the programs behind the concurrency tests.
step "tsan build" bash -c 'cmake --preset tsan >/dev/null &&
  cmake --build --preset tsan --target velmorin-sync core_concurrency_tests bridge_tests fault_tests stress_tests'
step "tsan tests" ctest --preset tsan
step "fuzz" bash fuzz/run.sh "${VELMORIN_FUZZ_SECONDS:-20}"
echo "== all stages: $((SECONDS / 60)) min"
