#!/usr/bin/env bash
# libFuzzer targets (clang, ASan+UBSan) for the argument rules, their comma list and
# safety test, and the tool command-line validators. Each runs for a bounded time from
# its committed seeds; a target that runs clean counts as one pass. Findings are kept
# under build/fuzz/findings.
set -uo pipefail
source "$(dirname "$0")/../stage-lib.sh"
seconds=${VISTANE_FUZZ_SECONDS:-15}

if ! cmake --preset fuzz >/dev/null || ! cmake --build --preset fuzz -j2 --target fuzzers; then
  record fuzz 0 1
  exit 1
fi

findings=build/fuzz/findings
mkdir -p "$findings"
passed=0
failed=0
for seeds in fuzz/corpus/*/; do
  target=$(basename "$seeds")
  work=$(mktemp -d)
  echo "--- $target (${seconds} s)"
  if build/fuzz/fuzz/"$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
       -artifact_prefix="$findings/$target-" -print_final_stats=1 "$work" "$seeds" >"$work.log" 2>&1; then
    passed=$((passed + 1))
    grep -E '^stat::number_of_executed_units' "$work.log" || true
  else
    failed=$((failed + 1))
    tail -40 "$work.log"
    echo "$target FAILED (inputs in $findings)"
  fi
  rm -rf "$work" "$work.log"
done
record fuzz "$passed" "$failed"
((failed == 0))
