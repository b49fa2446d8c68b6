#!/usr/bin/env bash
# Builds parentsphere and runs it on the example population in examples/,
# answering the radius prompt with $1 (default 4). The reports land in out/.
# First the Debian packages the build needs: as root it installs the missing
# ones, otherwise it names them in one `sudo apt-get install` line and stops.
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
ensure_packages example
need_cli11
radius="${1:-4}"
stage "configuring build"
configure "$ROOT/build" -DPARENTSPHERE_TESTS=OFF
build "$ROOT/build" parentsphere "$EXAMPLE_FIRST_BUILD"
stage "running build/parentsphere in out/ with radius $radius"
mkdir -p "$ROOT/out"
cp "$ROOT/examples/parents.PAR" "$ROOT/examples/sons.PRO" "$ROOT/out/"
cd "$ROOT/out"
echo "$radius" | "$ROOT/build/parentsphere"
echo
echo "Reports written in $ROOT/out: Parent.out (candidate parents), Fam.out (families), Famgenotypes.out (family genotypes)"
