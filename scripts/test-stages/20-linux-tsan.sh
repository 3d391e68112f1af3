#!/usr/bin/env bash
# The threaded suites (ctest label "concurrency", built by the target concurrency_tests)
# under ThreadSanitizer; a reported race fails the test.
set -euo pipefail
source "$(dirname "$0")/../stage-lib.sh"
cmake --preset linux-tsan >/dev/null
cmake --build --preset linux-tsan -j2 --target concurrency_tests
export TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 ${TSAN_OPTIONS:-}"
run_ctest linux-tsan build/linux-tsan -L concurrency
