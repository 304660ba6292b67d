#!/usr/bin/env bash
# Builds the Windows Installer package of one word size from a preset's bin
# folder with wixl (installer/K47MXV.wxs).
#
# Codes: the upgrade code is fixed per word size, so a package replaces any
# earlier version of the same word size (a major upgrade) and leaves the
# other word size alone. The product code and the component codes are
# derived from fixed names (name-based UUIDs): the product code from the word
# size and the version, so each version has its own and rebuilding a version
# gives the same package; a component code from the word size and the
# component's name, so it stays with its component across versions.
# Usage: build-msi.sh 32|64 VERSION BIN_FOLDER OUTPUT.msi
set -euo pipefail
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
bits=$1 version=$2 bin=$3 output=$4

case $bits in
    64) upgrade_code=1E362C1F-365E-46F1-9D75-6CB00D8AA692 arch=x64 ;;
    32) upgrade_code=39EB251D-09C3-40AD-A054-7B1418C34458 arch=x86 ;;
    *) echo "build-msi.sh: word size must be 32 or 64, not '$bits'" >&2; exit 2 ;;
esac
# The namespace of the derived codes.
namespace=502BA069-9464-40D9-B68C-42A60F27055F
components=(Panel CrashReport Api Host DriverReadme MenuShortcuts
            DemoPanel DemoCrashReport DemoApi DemoSimulator DemoShortcut)

derived_code() {
    python3 -c 'import sys, uuid; print(str(uuid.uuid5(uuid.UUID(sys.argv[1]), sys.argv[2])).upper())' "$namespace" "$1"
}

# wixl takes only paths relative to the package source: a work folder holds
# it with links to the files.
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$top/installer/K47MXV.wxs" "$work/"
ln -s "$(cd "$bin" && pwd)" "$work/bin"
ln -s "$top/installer" "$work/installer"
ln -s "$top/panel/res" "$work/res"

defines=(-D "Bits=$bits" -D "Version=$version" -D "Bin=bin" -D "Source=installer" -D "Resources=res"
         -D "UpgradeCode=$upgrade_code" -D "ProductCode=$(derived_code "K47MXV $bits-bit $version")")
for component in "${components[@]}"; do
    defines+=(-D "Guid$component=$(derived_code "K47MXV $bits-bit component $component")")
done
mkdir -p "$(dirname "$output")"
(cd "$work" && wixl --arch "$arch" "${defines[@]}" -o package.msi K47MXV.wxs)
mv "$work/package.msi" "$output"
