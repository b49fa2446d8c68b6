# Shared by the scripts: checks the tools a build needs and configures a build
# folder. Source it; do not run it.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"

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
