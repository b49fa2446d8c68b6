#!/usr/bin/env bash
# Builds and checks the R package `parentsphere` (folder r/) on the project's
# C++ engine. The package's source is assembled in build-r/: r/ plus, copied at
# every run, the engine's sources from src/ and the example data set built
# from examples/, so the repository holds one copy of the engine.
#
#   scripts/r-package.sh [check]   build the source package and run
#                                  R CMD check --no-manual (ends with "Status: OK")
#   scripts/r-package.sh build     build-r/parentsphere_<version>.tar.gz only
#   scripts/r-package.sh install   build it and install it into R's library
#
# As root it installs the Debian packages it needs; otherwise it names them.
# The tests compare the package with the command-line program, which is built
# in build-r/cli when cmake is present (PARENTSPHERE_BINARY overrides it).
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

action="${1:-check}"
case "$action" in
  check | build | install) ;;
  *) echo "usage: scripts/r-package.sh [check|build|install]" >&2; exit 2 ;;
esac

# What is needed, each as "test-command:debian-package".
requirements=(
  "command -v R:r-base-core"
  "command -v g++:g++"
  "command -v make:make"
  "Rscript -e 'library(Rcpp)':r-cran-rcpp"
  "Rscript -e 'library(testthat)':r-cran-testthat"
)
missing_packages() {
  local entry
  for entry in "${requirements[@]}"; do
    bash -c "${entry%:*}" >/dev/null 2>&1 || echo "${entry##*:}"
  done
}
missing=($(missing_packages))
if [ ${#missing[@]} -gt 0 ]; then
  if [ "$(id -u)" -ne 0 ]; then
    echo "parentsphere: the R package needs: ${missing[*]}. Install with: sudo apt-get install ${missing[*]}" >&2
    exit 1
  fi
  echo "installing ${missing[*]}"
  DEBIAN_FRONTEND=noninteractive apt-get update -qq >/dev/null
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}" >/dev/null || {
    echo "parentsphere: apt-get could not install: ${missing[*]}" >&2
    exit 1
  }
fi

out="$ROOT/build-r"
package="$out/parentsphere"
rm -rf "$package" "$out"/parentsphere_*.tar.gz "$out/parentsphere.Rcheck"
mkdir -p "$out"
cp -R "$ROOT/r" "$package"

# The engine: the stages a run goes through, without the program's own front
# end (app/), the outputs the package does not return (markers/) or the
# record-level reference the tests compare the engine with. Headers keep their
# stage folders under src/core/; sources sit in src/ (R compiles only that
# folder).
engine_stages=(status input spheres families analysis reports ranking)
shopt -s nullglob  # a stage may hold headers only
for stage in "${engine_stages[@]}"; do
  mkdir -p "$package/src/core/$stage"
  cp "$ROOT/src/$stage/"*.h "$package/src/core/$stage/"
  for source in "$ROOT/src/$stage/"*.cc; do
    cp "$source" "$package/src/core_${stage}_$(basename "$source")"
  done
done

mkdir -p "$package/data"
Rscript "$package/data-raw/sphere_example.R" "$ROOT/examples/parents.PAR" \
  "$ROOT/examples/sons.PRO" "$package/data/sphere_example.rda"

# Every compiler warning of -Wall -Wextra -Wpedantic fails the check (below);
# R's and Rcpp's headers are system headers, whose warnings are theirs.
makevars="$out/Makevars"
headers="$(Rscript -e 'cat(R.home("include"), system.file("include", package = "Rcpp"))')"
echo "CXX17FLAGS = -O2 -Wall -Wextra -Wpedantic$(printf ' -isystem %s' $headers)" >"$makevars"
export R_MAKEVARS_USER="$makevars" MAKEFLAGS="-j$(jobs)"

if [ "$action" = check ] && [ -z "${PARENTSPHERE_BINARY:-}" ]; then
  if command -v cmake >/dev/null 2>&1; then
    configure "$out/cli" -DPARENTSPHERE_TESTS=OFF -DCMAKE_BUILD_TYPE=Release
    cmake --build "$out/cli" --target parentsphere -j "$(jobs)" >/dev/null
    export PARENTSPHERE_BINARY="$out/cli/parentsphere"
  else
    echo "cmake is missing: the tests that compare with the command line will be skipped" >&2
  fi
fi

cd "$out"
R CMD build parentsphere
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
