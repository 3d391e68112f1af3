#!/usr/bin/env bash
# Makes the Windows package with cpack and checks it: the ZIP holds exactly the files
# listed in CONTENTS (paths under its top folder), and every program and library in it
# is stripped and linked to the NAME.debug beside it, which holds its debug information.
# Usage: check-windows-zip.sh BUILD_DIR WORK_DIR CONTENTS OBJDUMP
set -euo pipefail
build=$1 work=$2 contents=$3 objdump=$4
rm -rf "$work"
cpack --config "$build/CPackConfig.cmake" -B "$work" >/dev/null
zip=$(echo "$work"/*.zip)
top=$(basename "$zip" .zip)
echo "made $top.zip ($(stat -c %s "$zip") bytes)"
diff -u --label "expected ($contents)" --label "$top.zip" <(grep -v '^$' "$contents") \
  <(unzip -Z1 "$zip" | grep -v '/$' | sed "s|^$top/||" | LC_ALL=C sort)

unzip -q "$zip" -d "$work/unpacked"
cd "$work/unpacked/$top/bin"
failed=0
for binary in *.dll *.exe; do
  problems=()
  "$objdump" -h "$binary" | grep -q ' \.debug_' && problems+=("carries debug information")
  "$objdump" -Wk "$binary" 2>&1 | grep -qF "Found separate debug info file: $binary.debug" ||
    problems+=("has no debug link to a matching $binary.debug")
  "$objdump" -h "$binary.debug" | grep -q ' \.debug_info' || problems+=("$binary.debug holds no debug information")
  if ((${#problems[@]})); then
    printf '%s: %s\n' "$binary" "${problems[@]}" >&2
    failed=1
  else
    echo "$binary: $(stat -c %s "$binary") bytes, debug information in $binary.debug ($(stat -c %s "$binary.debug") bytes)"
  fi
done
exit "$failed"
