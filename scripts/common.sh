# Shared by the scripts: checks the packages and tools a build needs,
# configures a build folder and builds it with progress. Source it; do not run
# it.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"

stage() { echo "== $*"; }

# ensure_packages USE...: the Debian packages those uses need are there, or
# installed (as root), or named in one `sudo apt-get install` line and the
# script stops with status 1. A dry run (PARENTSPHERE_INSTALL_DRY_RUN=1)
# stops the script after the check, since nothing was installed.
ensure_packages() {
  stage "checking the Debian packages for: $*"
  "$ROOT/scripts/install-deps.sh" "$@" || exit 1
  if [ "${PARENTSPHERE_INSTALL_DRY_RUN:-}" = 1 ]; then
    echo "dry run: stopping before the build"
    exit 0
  fi
}

need() {  # need COMMAND DEBIAN-PACKAGE
  if ! command -v "$1" >/dev/null 2>&1; then
    echo "parentsphere: '$1' is missing. Install it with: sudo apt-get install $2" >&2
    exit 1
  fi
}

need_gtest() {
  if [ ! -e /usr/include/gtest/gtest.h ] && [ ! -e /usr/local/include/gtest/gtest.h ]; then
    echo "parentsphere: GoogleTest is missing. Install it with: sudo apt-get install libgtest-dev" >&2
    exit 1
  fi
}

need_cli11() {
  if [ ! -e /usr/include/CLI/CLI.hpp ] && [ ! -e /usr/local/include/CLI/CLI.hpp ]; then
    echo "parentsphere: CLI11 is missing. Install it with: sudo apt-get install libcli11-dev" >&2
    exit 1
  fi
}

# configure BUILD-DIR [cmake options...]
configure() {
  local dir="$1"
  shift
  need g++ g++
  need cmake cmake
  local generator=()
  if command -v ninja >/dev/null 2>&1; then generator=(-G Ninja); fi
  if [ ! -f "$dir/CMakeCache.txt" ]; then
    cmake -S "$ROOT" -B "$dir" "${generator[@]}" "$@" >/dev/null
  else
    cmake -S "$ROOT" -B "$dir" "$@" >/dev/null
  fi
}

jobs() { nproc 2>/dev/null || echo 2; }

# How long a first build (a clean folder) takes on 2 cores, measured with
# `time` at -j2 on an AMD EPYC machine shared with other builds (load 11 to
# 18); the example's build used 44 s of processor time in all.
EXAMPLE_FIRST_BUILD="2 to 3 minutes on a busy machine, under 1 when idle"
TESTS_FIRST_BUILD="4 to 10 minutes on a busy machine"

# build DIR TARGET FIRST-BUILD-TIME: builds with CMake's own progress (a line
# per step, [done/total] with Ninja) and says how long it took.
build() {
  local dir="$1" target="$2" first="$3" start="$SECONDS"
  stage "building $target in ${dir#"$ROOT"/} on $(jobs) cores (a first build takes $first)"
  cmake --build "$dir" --target "$target" -j "$(jobs)"
  stage "built in $((SECONDS - start)) s"
}
