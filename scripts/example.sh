#!/usr/bin/env bash
# Builds parentsphere and runs it on the example population in examples/,
# answering the radius prompt with $1 (default 4). The reports land in out/.
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
need_cli11
radius="${1:-4}"
configure "$ROOT/build" -DPARENTSPHERE_TESTS=OFF
cmake --build "$ROOT/build" --target parentsphere -j "$(jobs)" >/dev/null
mkdir -p "$ROOT/out"
cp "$ROOT/examples/parents.PAR" "$ROOT/examples/sons.PRO" "$ROOT/out/"
cd "$ROOT/out"
echo "$radius" | "$ROOT/build/parentsphere"
echo
echo "Reports written in $ROOT/out: Parent.out (candidate parents), Fam.out (families), Famgenotypes.out (family genotypes)"
