#!/usr/bin/env bash
# The Linux build on the simulated Windows: every unit suite and the host tool.
set -euo pipefail
source "$(dirname "$0")/../stage-lib.sh"
cmake --preset linux >/dev/null
cmake --build --preset linux -j2
run_ctest linux build/linux
