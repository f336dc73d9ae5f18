#!/usr/bin/env bash
# Installs what building and testing kvell needs (Debian packages). Idempotent:
# when everything is there it does nothing.
set -euo pipefail

packages=(
  cmake make g++ python3
  clang
  g++-mingw-w64-x86-64-posix libz-mingw-w64-dev zlib1g-dev
  wine wine64 xvfb xauth
  googletest libgtest-dev
  libtomlplusplus-dev libcli11-dev zlib1g-dev
  osslsigncode openssl
  imagemagick xdotool icoutils
  openjdk-17-jdk-headless
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if ((${#missing[@]})); then
  echo "setup: installing ${missing[*]}"
  SUDO=""
  if [ "$(id -u)" != 0 ]; then SUDO=sudo; fi
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -q
  $SUDO apt-get install -y -q "${missing[@]}"
fi
