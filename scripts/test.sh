#!/usr/bin/env bash
# Builds everything and runs the whole test suite: each stage under scripts/test-stages
# in order. Every stage adds a "name passed failed" line to the results file.
set -uo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh || exit 1

export VISTANE_RESULTS
VISTANE_RESULTS=$(mktemp)
status=0
for stage in scripts/test-stages/*.sh; do
  echo "=== $(basename "$stage" .sh)"
  started=$SECONDS
  if ! bash "$stage"; then
    echo "stage $(basename "$stage" .sh) FAILED"
    status=1
  fi
  echo "=== $(basename "$stage" .sh) took $((SECONDS - started)) s"
done

echo
echo "Stages:"
passed=0
failed=0
while read -r name stage_passed stage_failed; do
  printf '  %-28s %6d passed %4d failed\n' "$name" "$stage_passed" "$stage_failed"
  passed=$((passed + stage_passed))
  failed=$((failed + stage_failed))
done <"$VISTANE_RESULTS"
rm -f "$VISTANE_RESULTS"
if ((failed > 0)); then status=1; fi
echo "Total: $passed passed, $failed failed"
exit $status
