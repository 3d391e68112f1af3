#!/usr/bin/env bash
# Installs the Debian packages the builds and tests need, when any is missing.
# Usage: install-deps.sh [--minimal]   (--minimal: only what the Linux build needs)
set -euo pipefail

packages=(cmake ninja-build g++ libssl-dev googletest libgtest-dev libgmock-dev libbenchmark-dev
          libpugixml-dev nlohmann-json3-dev)
if [[ "${1:-}" != "--minimal" ]]; then
  packages+=(g++-mingw-w64-x86-64-posix mingw-w64-x86-64-dev binutils-mingw-w64-x86-64
             wine wine64 osslsigncode clang libclang-rt-14-dev valgrind openssl)
fi

missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
done
if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}"
  sudo_cmd=()
  [[ $(id -u) -ne 0 ]] && sudo_cmd=(sudo)
  "${sudo_cmd[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq "${missing[@]}" >/dev/null
fi
