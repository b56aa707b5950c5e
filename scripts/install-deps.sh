#!/usr/bin/env bash
# Installs the Debian packages a task needs, when any is missing.
# Usage: scripts/install-deps.sh demo|test|bench ...
#   demo   Octave with its development files and its interval package, a
#          C++ compiler, CMake, and gnuplot with fonts and Ghostscript for
#          pictures drawn without a display: the Octave MEX files and the
#          worked analysis (with its certified bounds)
#   test   what the tests add: 32-bit and MinGW-w64 (64- and 32-bit Windows)
#          compilers, GoogleTest, clang with libFuzzer and the sanitizer
#          runtimes, valgrind, and Wine to run the Windows tests (64-bit and,
#          after adding the i386 architecture, 32-bit)
#   bench  the benchmarks' peers: Google Benchmark, Boost.Graph, OpenFst, SciPy,
#          mpmath (a reference in many-digit arithmetic)
# Run as root, or as a user who may sudo.
set -euo pipefail

packages=()
for set in "$@"; do
  case $set in
    demo) packages+=(cmake make g++ octave liboctave-dev octave-interval gnuplot-nox fonts-freefont-otf ghostscript) ;;
    test) packages+=(cmake make g++ octave liboctave-dev octave-interval gnuplot-nox fonts-freefont-otf ghostscript
                     g++-multilib g++-mingw-w64-x86-64 g++-mingw-w64-i686 googletest libgtest-dev
                     clang libclang-rt-14-dev valgrind wine64 wine32:i386) ;;
    bench) packages+=(cmake make g++ libbenchmark-dev libboost-graph-dev libfst-dev python3-scipy python3-mpmath) ;;
    *) echo "install-deps.sh: unknown set '$set' (demo, test, bench)" >&2; exit 2 ;;
  esac
done

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  export DEBIAN_FRONTEND=noninteractive
  if printf '%s\n' "${missing[@]}" | grep -q ':i386$' \
     && ! dpkg --print-foreign-architectures | grep -qx i386; then
    $sudo dpkg --add-architecture i386  # for wine32
  fi
  $sudo apt-get update -q
  $sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
fi
