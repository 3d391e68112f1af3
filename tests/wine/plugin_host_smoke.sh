#!/usr/bin/env bash
# Installs a companion application (or none) in the Wine prefix, runs PluginHost.exe,
# which loads VistaneService.dll beside it, and checks the factory's answer.
# Usage: plugin_host_smoke.sh BIN_DIR COMPANION_EXE|missing EXPECTED_LINE
set -euo pipefail
bin_dir=$1 companion=$2 expected=$3
here=$(cd "$(dirname "$0")" && pwd)
: "${WINEPREFIX:?WINEPREFIX must name a prefix made by wineboot --init}"
install_dir="$WINEPREFIX/drive_c/Program Files/Orlent Works/QV Vistane Service"
rm -rf "$install_dir"
trap 'rm -rf "$install_dir"' EXIT
if [[ "$companion" != missing ]]; then
  mkdir -p "$install_dir"
  cp "$companion" "$install_dir/VistaneService.exe"
fi
set +e
output=$("$here/run-in-wine.sh" "$bin_dir/PluginHost.exe" 2>&1)
code=$?
set -e
printf '%s\n' "$output"
if ((code != 0)); then echo "PluginHost.exe exited with $code" >&2; exit 1; fi
if ! grep -qxF "$expected" <<<"${output//$'\r'/}"; then
  echo "expected the line: $expected" >&2
  exit 1
fi
