#!/usr/bin/env bash
# Builds the Linux module and runs the host tool on its built-in simulated machine.
# Extra arguments go to PluginHost (see PluginHost --help).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh --minimal
cmake --preset linux >/dev/null
cmake --build --preset linux --target PluginHost VistaneService >/dev/null
./build/linux/tools/PluginHost/PluginHost "$@"
