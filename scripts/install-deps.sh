#!/usr/bin/env bash
# Installs the Debian packages boxgraph builds, tests and benchmarks with,
# when any is missing. Run as root (or with sudo available).
set -euo pipefail

packages=(
  cmake make g++ g++-multilib            # build, 64- and 32-bit
  googletest libgtest-dev                # GoogleTest sources, built per configuration
  octave liboctave-dev                   # the real host and its mex.h / mkoctfile
  clang libclang-rt-14-dev               # libFuzzer and sanitizer runtimes
  libbenchmark-dev libboost-graph-dev libfst-dev python3-scipy  # benchmarks and peers
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $sudo apt-get update -q
  $sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
fi
