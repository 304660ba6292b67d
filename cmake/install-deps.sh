#!/usr/bin/env bash
# Installs what building and testing need on a Debian 12 machine: the
# mingw-w64 cross compilers, GoogleTest's sources, CMake, Wine with 32-bit
# support (installed everywhere; used where the machine executes 32-bit
# programs), a virtual X display, the X tools `make run` uses (xwininfo,
# import) and Liberation Sans, which Wine draws for the panel's Arial; for
# the native Linux build the machine's own C++ compiler, and clang 14 with
# its sanitizer runtimes and libFuzzer; Debian's Python with venv, pytest
# and matplotlib for the Python package's tests and examples; for the
# packages wixl and msitools (installer packages), LLVM's dlltool, readobj and
# lld-link (the SDK's import libraries for Microsoft's linker and their
# check) and zip. Quick when everything is there already.
set -euo pipefail

packages=(cmake make g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix
          mingw-w64-tools googletest wine wine64 wine32:i386 xvfb xauth
          x11-apps x11-utils imagemagick fonts-liberation
          g++ clang-14 libclang-rt-14-dev libfuzzer-14-dev
          python3-venv python3-pytest python3-matplotlib
          wixl msitools llvm lld-14 zip unzip)

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
dpkg --print-foreign-architectures | grep -qx i386 || $sudo dpkg --add-architecture i386
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
