# Helpers for test stages (sourced).

# Runs ctest in a build folder and records its counts under the stage name.
# Usage: run_ctest NAME BUILD_DIR [ctest arguments...]
run_ctest() {
  local name=$1 dir=$2
  shift 2
  local log
  log=$(mktemp)
  (cd "$dir" && ctest --output-on-failure -j2 "$@") 2>&1 | tee "$log"
  local code=${PIPESTATUS[0]}
  local summary total failed
  summary=$(grep -E 'tests passed, [0-9]+ tests failed out of [0-9]+' "$log" | tail -1)
  rm -f "$log"
  total=$(sed -E 's/.*out of ([0-9]+).*/\1/' <<<"$summary")
  failed=$(sed -E 's/.*, ([0-9]+) tests failed.*/\1/' <<<"$summary")
  if [[ -z "$summary" ]]; then total=0; failed=1; fi
  record "$name" $((total - failed)) "$failed"
  return "$code"
}

# Usage: record NAME PASSED FAILED
record() {
  echo "$1 $2 $3" >>"${VISTANE_RESULTS:-/dev/null}"
}
