#!/usr/bin/env bash
# Builds and checks the R package `parentsphere` (folder r/) on the project's
# C++ engine, in build-r/. R CMD build takes r/ as it is: r/src/engine links
# to src/, so the repository holds one copy of the engine and the tarball a
# copy of the stages the package compiles; the example data set in r/data is
# checked against examples/ first.
#
#   scripts/r-package.sh [check]   build the source package and run
#                                  R CMD check --no-manual (ends with "Status: OK")
#   scripts/r-package.sh build     build-r/parentsphere_<version>.tar.gz only
#   scripts/r-package.sh install   build it and install it into R's library
#
# As root it installs the Debian packages it needs; otherwise it names them.
# The tests compare the package with the command-line program: the one
# PARENTSPHERE_BINARY names, or else the one in build-tests/ (or build/),
# brought up to date there when cmake is present.
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

action="${1:-check}"
case "$action" in
  check | build | install) ;;
  *) echo "usage: scripts/r-package.sh [check|build|install]" >&2; exit 2 ;;
esac

ensure_packages r

out="$ROOT/build-r"
rm -rf "$out"/parentsphere_*.tar.gz "$out/parentsphere.Rcheck"
mkdir -p "$out"

# The example data set ships in r/data; it must still be the one examples/
# makes.
stage "checking r/data/sphere_example.rda against examples/"
Rscript "$ROOT/r/data-raw/sphere_example.R" "$ROOT/examples/parents.PAR" \
  "$ROOT/examples/sons.PRO" "$out/sphere_example.rda"
if ! cmp -s "$out/sphere_example.rda" "$ROOT/r/data/sphere_example.rda"; then
  echo "parentsphere: r/data/sphere_example.rda no longer matches examples/; refresh it with:" >&2
  echo "  Rscript r/data-raw/sphere_example.R examples/parents.PAR examples/sons.PRO r/data/sphere_example.rda" >&2
  exit 1
fi

# Every compiler warning of -Wall -Wextra -Wpedantic fails the check (below);
# R's and Rcpp's headers are system headers, whose warnings are theirs.
makevars="$out/Makevars"
headers="$(Rscript -e 'cat(R.home("include"), system.file("include", package = "Rcpp"))')"
echo "CXX17FLAGS = -O2 -Wall -Wextra -Wpedantic$(printf ' -isystem %s' $headers)" >"$makevars"
export R_MAKEVARS_USER="$makevars" MAKEFLAGS="-j$(jobs)"

# The program the tests compare with: PARENTSPHERE_BINARY, or the one of the
# test or example build, brought up to date there, so the engine is not
# compiled a second time for the command line.
if [ "$action" = check ] && [ -z "${PARENTSPHERE_BINARY:-}" ]; then
  if command -v cmake >/dev/null 2>&1; then
    cli="$ROOT/build"
    [ -f "$ROOT/build-tests/CMakeCache.txt" ] && cli="$ROOT/build-tests"
    [ -f "$cli/CMakeCache.txt" ] || configure "$cli" -DPARENTSPHERE_TESTS=OFF
    build "$cli" parentsphere "$EXAMPLE_FIRST_BUILD"
    export PARENTSPHERE_BINARY="$cli/parentsphere"
  else
    echo "cmake is missing: the tests that compare with the command line will be skipped" >&2
  fi
fi

cd "$out"
stage "R CMD build r (the engine's sources come from src/ through r/src/engine)"
R CMD build "$ROOT/r"
tarball="$(ls parentsphere_*.tar.gz)"
case "$action" in
  build) echo "built $out/$tarball" ;;
  install) R CMD INSTALL "$tarball" ;;
  check)
    # An empty local package repository: the dependency-cycle check looks
    # there instead of fetching CRAN's index over the network.
    mkdir -p repository/src/contrib
    : >repository/src/contrib/PACKAGES
    echo "options(repos = c(local = 'file://$out/repository'))" >Rprofile
    R_PROFILE_USER="$out/Rprofile" R CMD check --no-manual "$tarball" | tee check.log
    grep -qx 'Status: OK' check.log || exit 1
    if grep -q 'warning:' parentsphere.Rcheck/00install.out; then
      grep -B2 -A4 'warning:' parentsphere.Rcheck/00install.out >&2
      echo "parentsphere: the package compiles with warnings" >&2
      exit 1
    fi
    ;;
esac
