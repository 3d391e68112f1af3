#!/usr/bin/env bash
# Installs a build into a fresh prefix, builds examples/host-module against it as a
# project of its own (and every installed header on its own), runs it (through RUNNER,
# e.g. Wine, when not empty) and checks its answers and that the module's own log
# record reached it.
# Usage: check-host-module.sh BUILD_DIR WORK_DIR RUNNER [cmake arguments for the example...]
set -euo pipefail
build=$1 work=$2 runner=$3
shift 3
source_dir=$(cd "$(dirname "$0")/../.." && pwd)
rm -rf "$work"
cmake --install "$build" --prefix "$work/prefix" >/dev/null
cmake -S "$source_dir/examples/host-module" -B "$work/build" -G Ninja \
  -DCMAKE_PREFIX_PATH="$work/prefix" -DVistaneService_DIR="$work/prefix/lib/cmake/VistaneService" \
  -DCMAKE_PROJECT_HostModule_INCLUDE="$source_dir/tests/package/installed-headers.cmake" "$@" >/dev/null
cmake --build "$work/build"
# A host finds the module and the logging library beside its executable on Windows.
if compgen -G "$work/prefix/bin/*.dll" >/dev/null; then cp "$work/prefix/bin/"*.dll "$work/build/"; fi
program=$(find "$work/build" -maxdepth 1 -name 'host-module*' -type f -perm -u+x | head -1)

file='C:\Program Files\Host\QVVSSetup.exe'
output=$(${runner:+"$runner"} "$program" "$file" 2>&1)
output=${output//$'\r'/}
printf '%s\n' "$output"
missing=0
while IFS= read -r line; do
  grep -qxF -- "$line" <<<"$output" || { echo "missing the line: $line" >&2; missing=1; }
done <<EXPECTED
KeyEventServiceUWP 8.9 is exempt: yes
KeyEventServiceUWP 9.0 is exempt: no
asking before setting a checker: The Behavior was not defined. A call to SetUwpChecker must be done.
$file is trusted: no
Info Security - GetSecurityCatalogInfo - File = $file
EXPECTED
exit "$missing"
