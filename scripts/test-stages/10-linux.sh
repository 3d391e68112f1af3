#!/usr/bin/env bash
# The Linux build on the simulated Windows, with AddressSanitizer and
# UndefinedBehaviorSanitizer: every unit suite, the host tool and the scenarios.
set -euo pipefail
source "$(dirname "$0")/../stage-lib.sh"
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:strict_string_checks=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
cmake --preset linux-asan >/dev/null
cmake --build --preset linux-asan -j2
run_ctest linux-asan build/linux-asan
