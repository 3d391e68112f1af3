#!/usr/bin/env bash
# The threaded suites (test folders named *concurrency*, ctest label "concurrency")
# under ThreadSanitizer; a reported race fails the test.
set -euo pipefail
source "$(dirname "$0")/../stage-lib.sh"
cmake --preset linux-tsan >/dev/null
targets=()
for folder in tests/unit/*concurrency*/; do
  targets+=("test_$(basename "$folder")")
done
cmake --build --preset linux-tsan -j2 --target "${targets[@]}"
export TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 ${TSAN_OPTIONS:-}"
run_ctest linux-tsan build/linux-tsan -L concurrency
