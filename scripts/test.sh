#!/usr/bin/env bash
# Sets up, builds and runs every test: the normal build, the same tests under
# AddressSanitizer and UndefinedBehaviorSanitizer, then each fuzz target for a bounded time.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh

scripts/build.sh build RelWithDebInfo
ctest --test-dir build --output-on-failure

scripts/build.sh build-asan Debug -DNODEWREN_SANITIZE=ON -DNODEWREN_BENCH=OFF
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --test-dir build-asan --output-on-failure

scripts/fuzz.sh "${NODEWREN_FUZZ_SECONDS:-60}"
