#!/usr/bin/env bash
# Builds parentsphere with its test suite and runs every test.
# With --sanitize, builds in build-sanitize with AddressSanitizer and
# UndefinedBehaviorSanitizer instead.
# First the Debian packages the tests need: as root it installs the missing
# ones, otherwise it names them in one `sudo apt-get install` line and stops.
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
ensure_packages tests
need_gtest
need_cli11
dir="$ROOT/build-tests"
options=(-DPARENTSPHERE_TESTS=ON -DCMAKE_BUILD_TYPE=Release)
if [ "${1:-}" = "--sanitize" ]; then
  dir="$ROOT/build-sanitize"
  options=(-DPARENTSPHERE_TESTS=ON -DPARENTSPHERE_SANITIZE=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo)
fi
stage "configuring ${dir#"$ROOT/"}"
configure "$dir" "${options[@]}"
build "$dir" all "$TESTS_FIRST_BUILD"
stage "running the tests (ctest)"
cd "$dir"
ctest --output-on-failure -j "$(jobs)"
