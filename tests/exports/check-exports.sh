#!/usr/bin/env bash
# Compares the names a DLL exports (demangled) with the committed sorted list.
# Usage: check-exports.sh OBJDUMP CXXFILT DLL EXPECTED_LIST
set -euo pipefail
objdump=$1 cxxfilt=$2 dll=$3 expected=$4
actual=$(mktemp)
trap 'rm -f "$actual"' EXIT
# The export name table lists one "[ordinal] name" row per exported name.
"$objdump" -p "$dll" |
  awk '/\[Ordinal\/Name Pointer\] Table/ {in_table = 1; next}
       in_table && /^\t\[ *[0-9]+\] / {print $NF; next}
       in_table && NF == 0 {in_table = 0}' |
  "$cxxfilt" | LC_ALL=C sort >"$actual"
if ! diff -u --label "expected ($expected)" --label "exported by $(basename "$dll")" \
     <(grep -v '^$' "$expected") "$actual"; then
  echo "The exports differ ('-' expected only, '+' exported only)." >&2
  echo "Mark exported members VISTANE_API and keep $expected sorted (LC_ALL=C sort)." >&2
  exit 1
fi
echo "$(wc -l <"$actual") exported names match $(basename "$expected")"
