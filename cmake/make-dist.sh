#!/usr/bin/env bash
# `make dist`: from the built win32 and win64 presets, the installer package
# of each word size and the SDK zip, all in dist/:
#   K47MXV-<version>-win64.msi, K47MXV-<version>-win32.msi
#   K47MXV-SDK-<version>.zip
# The version is the project's one version, as CMake configured it. The SDK
# holds both word sizes' API library, import libraries and command-line host,
# the header, the examples and the Python package with both word sizes' API
# library in its own folder (the simulated driver library stands apart, in
# simulator/, never beside an API library).
set -euo pipefail
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
presets=(win32 win64)

for preset in "${presets[@]}"; do
    cmake --build "$top/build/$preset" --target dist -- --no-print-directory
done
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$top/build/win64/CMakeCache.txt")
[ -n "$version" ] || { echo "make-dist: no project version in build/win64/CMakeCache.txt" >&2; exit 1; }

name=K47MXV-SDK-$version
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
sdk=$work/$name
mkdir -p "$sdk/include" "$sdk/api" "$sdk/tools" "$sdk/examples" "$sdk/python"
cp "$top/installer/SDK-README.md" "$sdk/README.md"
cp "$top/api/include/"*.h "$sdk/include/"
cp "$top/api/README.md" "$sdk/api/"
cp "$top/tools/README.md" "$sdk/tools/"
cp -r "$top/examples/c" "$top/examples/python" "$sdk/examples/"
(cd "$top/python" && cp -r pyproject.toml build_backend k47mxv "$sdk/python/")
# An archive carries no CMake tree: the package's backend reads VERSION.
echo "$version" > "$sdk/python/VERSION"
for preset in "${presets[@]}"; do
    part=$top/build/$preset/sdk
    mkdir -p "$sdk/$preset" "$sdk/simulator/$preset" "$sdk/python/k47mxv/$preset"
    cp -r "$part/bin" "$part/lib" "$sdk/$preset/"
    cp "$part/simulator/OVK47MXVusb.dll" "$sdk/simulator/$preset/"
    cp "$part/bin/OVK47MXV_API.dll" "$sdk/python/k47mxv/$preset/"
done
find "$sdk" -name __pycache__ -prune -exec rm -rf {} +

mkdir -p "$top/dist"
rm -f "$top/dist/$name.zip"
(cd "$work" && zip -qrX "$top/dist/$name.zip" "$name")
ls -l "$top/dist"
