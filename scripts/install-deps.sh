#!/usr/bin/env bash
# The Debian packages parentsphere's scripts need, in one list, and their
# installer. Checks the packages one or more uses need and, when some are
# missing: as root, installs them all (apt-get update once, then one
# apt-get install); otherwise prints the one `sudo apt-get install ...` line
# naming every missing package and stops with status 1.
#
#   scripts/install-deps.sh USE...     USE: example, tests, r, ci (all of them)
#
# Status: 0 when everything is present or was installed, 1 when packages are
# missing and could not be installed, 2 on a wrong argument.
#
# Variables, for trying the paths without changing the machine:
#   PARENTSPHERE_PRETEND_MISSING="pkg ..."  report these as missing (those the
#                                           uses need), installed or not
#   PARENTSPHERE_INSTALL_DRY_RUN=1          as root, print the apt-get commands
#                                           instead of running them
set -euo pipefail

# package : the uses that need it (ci needs every package).
packages=(
  g++:example,tests,r cmake:example,tests ninja-build:example,tests
  libcli11-dev:example,tests
  libgtest-dev:tests python3:tests groff-base:tests util-linux:tests
  make:r r-base-core:r r-cran-rcpp:r r-cran-testthat:r
  libbenchmark-dev:ci clang:ci libclang-rt-14-dev:ci valgrind:ci
)

usage() {
  echo "usage: scripts/install-deps.sh USE... (USE: example, tests, r, ci)" >&2
  exit 2
}
[ $# -gt 0 ] || usage
uses=()
for use in "$@"; do
  case "$use" in
    example | tests | r | ci) uses+=("$use") ;;
    *) usage ;;
  esac
done

needed_by_uses() {  # needed_by_uses ENTRY: true when one of the uses needs it
  local wanted="${1#*:}" use
  for use in "${uses[@]}"; do
    [ "$use" = ci ] && return 0
    case ",$wanted," in *",$use,"*) return 0 ;; esac
  done
  return 1
}

pretended_missing() {
  local names="${PARENTSPHERE_PRETEND_MISSING:-}"
  case " ${names//,/ } " in *" $1 "*) return 0 ;; esac
  return 1
}

installed() {
  dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'
}

if ! command -v dpkg-query >/dev/null 2>&1 && [ -z "${PARENTSPHERE_PRETEND_MISSING:-}" ]; then
  # Not Debian: the build's own checks name what is missing.
  echo "parentsphere: no dpkg-query here, so the packages were not checked" >&2
  exit 0
fi

missing=()
for entry in "${packages[@]}"; do
  needed_by_uses "$entry" || continue
  name="${entry%%:*}"
  if pretended_missing "$name" || ! installed "$name"; then missing+=("$name"); fi
done
what="${uses[*]}"
what="${what// /, }"
if [ ${#missing[@]} -eq 0 ]; then
  echo "the Debian packages for $what are all present"
  exit 0
fi

if [ "$(id -u)" -ne 0 ]; then
  echo "parentsphere: Debian packages missing for $what: ${missing[*]}" >&2
  echo "Install them with: sudo apt-get install ${missing[*]}" >&2
  exit 1
fi

if [ "${PARENTSPHERE_INSTALL_DRY_RUN:-}" = 1 ]; then
  echo "dry run, would run: apt-get update"
  echo "dry run, would run: apt-get install -y ${missing[*]}"
  exit 0
fi
echo "installing the Debian packages missing for $what: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
if ! apt-get update -qq >/dev/null || ! apt-get install -y -qq "${missing[@]}" >/dev/null; then
  echo "parentsphere: apt-get could not install: ${missing[*]}" >&2
  exit 1
fi
