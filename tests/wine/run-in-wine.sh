#!/usr/bin/env bash
# Runs a Windows program under Wine: 64-bit loader, headless, no console input, no
# debug chatter. The prefix comes from WINEPREFIX (the cross test stage makes one).
set -euo pipefail
loader=""
for candidate in "${WINE64_LOADER:-}" /usr/lib/wine/wine64 /usr/lib64/wine/wine64 "$(command -v wine64 || true)"; do
  if [[ -n "$candidate" && -x "$candidate" ]]; then loader=$candidate; break; fi
done
[[ -n "$loader" ]] || { echo "run-in-wine: no wine64 loader found" >&2; exit 127; }
if [[ -z "${WINEPREFIX:-}" || ! -d "$WINEPREFIX/drive_c" ]]; then
  echo "run-in-wine: set WINEPREFIX to a prefix made by 'wineboot --init'" \
       "(scripts/test-stages/40-windows-cross.sh makes one)" >&2
  exit 127
fi
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY WAYLAND_DISPLAY
exec "$loader" "$@" </dev/null
