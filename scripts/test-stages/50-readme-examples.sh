#!/usr/bin/env bash
# Runs the commands README.md shows, as written, the way a newcomer would: every ```sh
# block in order, one command per line, from the top of the source tree, in one shell
# (what a block exports stays for the next). Blocks run in a fresh copy of the sources
# (tracked and new files, no build folders), so a command that needs a build the README
# never made fails here; blocks on the cross and fuzz builds reuse the ones the earlier
# stages made in the working tree. The test command itself is not run again.
# Counts one pass or failure per block.
set -uo pipefail
source "$(dirname "$0")/../stage-lib.sh"
tree=$(cd "$(dirname "$0")/../.." && pwd)
work=$tree/build/readme-examples
rm -rf "$work"
mkdir -p "$work/blocks" "$work/tmp" "$work/source"

# Under build/, so that compiler-cache paths match those of the working tree's builds.
(cd "$tree" && git ls-files -z --cached --others --exclude-standard |
  tar --null --files-from=- --ignore-failed-read -cf - | tar -xf - -C "$work/source")
awk -v dir="$work/blocks" '
  /^```sh[[:space:]]*$/ { file = sprintf("%s/%02d", dir, ++count); inside = 1; next }
  inside && /^```/      { inside = 0; close(file); next }
  inside                { print > file }' "$tree/README.md"

# A headless reader: Wine shows no window and offers no add-on downloads.
unset DISPLAY WAYLAND_DISPLAY
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" TMPDIR=$work/tmp
(
  set +uo pipefail   # as in a reader's shell
  for block in "$work/blocks"/*; do
    if [[ $(<"$block") == "bash scripts/test.sh" ]]; then continue; fi
    where=$work/source
    grep -qwE 'cross|fuzz' "$block" && where=$tree
    echo "--- README block $(basename "$block") in ${where#"$tree"/}"
    cd "$where"
    started=$SECONDS
    status=0
    while IFS= read -r line; do
      [[ -z $line ]] && continue
      echo "\$ $line"
      eval "$line" </dev/null || { status=$?; echo "README block $(basename "$block") FAILED (exit $status): $line"; break; }
    done <"$block"
    echo "--- README block $(basename "$block") took $((SECONDS - started)) s"
    echo "$(basename "$block") $status" >>"$work/results"
  done
  if [[ -n ${WINEPREFIX:-} ]]; then /usr/lib/wine/wineserver -k 2>/dev/null || true; fi
)

blocks=$(wc -l <"$work/results" 2>/dev/null || echo 0)
failed=$(grep -cv ' 0$' "$work/results" 2>/dev/null || true)
record readme-examples $((blocks - failed)) "$failed"
rm -rf "$work/tmp"
((blocks > 0 && failed == 0))
