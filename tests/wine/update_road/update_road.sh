#!/usr/bin/env bash
# The update road for real under Wine: companion 5.2.59 installed, PluginHost.exe and
# VistaneService.dll in a folder under C:\Program Files whose name holds a space, the
# setup program beside them signed with a pinned test key under a test root that the
# prefix trusts. A logon event; after the real minute the module verifies the setup and
# runs it silently; the setup records its command line.
# Usage: update_road.sh BIN_DIR SETUP_RECORDER_EXE TRUST_ROOT_EXE COMPANION_EXE FIXTURES_DIR
set -euo pipefail
bin_dir=$1 recorder=$2 trust_root=$3 companion=$4 fixtures=$5
here=$(cd "$(dirname "$0")" && pwd)
run="$here/../run-in-wine.sh"
: "${WINEPREFIX:?WINEPREFIX must name a prefix made by wineboot --init}"

program_files="$WINEPREFIX/drive_c/Program Files/Orlent Works"
host_dir="$program_files/Host"
companion_dir="$program_files/QV Vistane Service"
root_thumbprint=$(openssl x509 -in "$fixtures/certs/test-root.crt" -noout -fingerprint -sha1 | sed 's/.*=//; s/://g')
cleanup() {
  rm -rf "$host_dir" "$companion_dir"
  "$run" reg delete "HKLM\\Software\\Microsoft\\SystemCertificates\\Root\\Certificates\\$root_thumbprint" /f \
    >/dev/null 2>&1 || true
}
trap cleanup EXIT
cleanup
mkdir -p "$host_dir" "$companion_dir"
cp "$bin_dir/PluginHost.exe" "$bin_dir"/*.dll "$host_dir/"
cp "$companion" "$companion_dir/VistaneService.exe"
osslsigncode sign -certs "$fixtures/certs/pinned-2048-a.crt" -key "$fixtures/certs/pinned-2048-a.key" \
  -ac "$fixtures/certs/test-root.crt" \
  -h sha256 -n "QV Vistane Service setup" -in "$recorder" -out "$host_dir/QVVSSetup.exe" >/dev/null
# Wine sees the Linux file system as drive Z:.
windows_path() { local path; path=$(cd "$(dirname "$1")" && pwd)/$(basename "$1"); echo "Z:${path//\//\\}"; }
"$run" "$trust_root" "$(windows_path "$fixtures/certs/test-root.crt")"

started=$SECONDS
set +e
# Started by its Windows path: a Linux path would make Wine report the host as Z:\...
output=$("$run" 'C:\Program Files\Orlent Works\Host\PluginHost.exe' --event 5 --answer-no-rpc-call 2>&1)
code=$?
set -e
output=${output//$'\r'/}
printf '%s\n' "$output"
echo "PluginHost.exe ran $((SECONDS - started)) s"
if ((code != 0)); then echo "PluginHost.exe exited with $code" >&2; exit 1; fi

fail() { echo "update road: $*" >&2; exit 1; }
grep -qxF "PluginHost: QvCreateService returned a service" <<<"$output" || fail "no service was created"
grep -qxF "Info Security - IsFileTrusted - trusted by windows = yes, trusted by Meridel = yes" <<<"$output" ||
  fail "the setup was not found trusted"
! grep -q "^Warning Failed to create QVVSSetup.exe" <<<"$output" || fail "the setup was not started"
((SECONDS - started >= 60)) || fail "the task did not wait its minute"
record="$host_dir/QVVSSetup.ran.txt"
[[ -f "$record" ]] || fail "the setup program did not run"
expected='"C:\Program Files\Orlent Works\Host\QVVSSetup.exe" /S /v" Reboot=ReallySupress /qn"'
actual=$(cat "$record")
[[ "$actual" == "$expected" ]] || fail "the setup ran with: $actual (expected: $expected)"
echo "update road: the setup ran once with: $actual"
