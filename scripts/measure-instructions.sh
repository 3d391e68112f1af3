#!/usr/bin/env bash
# Counts the instructions of one decision with callgrind and splits them into the
# module's own work and the simulated Windows' (libwinsim.so, libLogging.so and all
# they call), then the module's share function by function (scripts/module-instructions.py).
# Reproduces the instruction figures of docs/performance.md.
#
#   scripts/measure-instructions.sh [BUILD_DIR]     (default build/linux)
#
# Each kind of decision runs once unmeasured, then COUNT times inside
# vistane_measured_decisions, the only function callgrind collects in; the figures are
# per decision.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/linux}
cmake --build "$build" --target measured_decisions >/dev/null
driver="$build/bench/measured_decisions"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Reads a callgrind profile (strings and positions uncompressed) and prints, per decision:
# the total, what went into the sim and logging (inclusive: calls from outside them into
# them), the rest (the module's code plus the standard library it calls), the module's
# own object code alone, and the exclusive cost of every object.
split_profile() {
  awk -v count="$2" -v program="$(basename "$driver")" '
    function short(path) { sub(/.*\//, "", path); return path }
    function is_sim(path) { return path ~ /\/lib(winsim|Logging)\.so/ }
    /^ob=/  { ob = substr($0, 4); next }
    /^cob=/ { cob = substr($0, 5); next }
    /^calls=/ { in_call = 1; next }
    /^[0-9]/ {
      ir = $2 + 0
      if (in_call) {
        callee = cob != "" ? cob : ob
        if (!is_sim(ob) && is_sim(callee)) into_sim += ir
        in_call = 0; cob = ""
        next
      }
      exclusive[short(ob)] += ir; total += ir
      next
    }
    END {
      if (total == 0) { print "callgrind collected nothing in vistane_measured_decisions" > "/dev/stderr"; exit 1 }
      printf "  instructions per decision:          %12.0f\n", total / count
      printf "  in the simulated Windows + logging: %12.0f\n", into_sim / count
      printf "  the module (outside the sim):       %12.0f\n", (total - into_sim) / count
      printf "    of which its own object code:     %12.0f\n", exclusive[program] / count
      printf "  exclusive, by object:\n"
      fflush()
      by_cost = "sort -k2,2nr | head -12"
      for (object in exclusive) printf "    %-34s %12.0f\n", object, exclusive[object] / count | by_cost
      close(by_cost)
    }' "$1"
}

measure() {
  local kind=$1 count=$2 out="$work/$1.out"
  valgrind --tool=callgrind --callgrind-out-file="$out" --toggle-collect=vistane_measured_decisions \
    --compress-strings=no --compress-pos=no "$driver" "$kind" "$count" >/dev/null 2>"$work/$kind.log" || {
    cat "$work/$kind.log" >&2
    return 1
  }
  echo "$kind ($count decisions measured)"
  split_profile "$out" "$count"
  echo "  the module's share, by function (inclusive, calls into the sim excluded):"
  python3 scripts/module-instructions.py "$out" "$count" 14
}

measure is-file-trusted 20
measure tool-launch 20
measure tool-launch-library 20
measure exemption-uwp 2000
measure exemption-win32 2000
