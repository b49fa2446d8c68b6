#!/usr/bin/env bash
# Builds parentsphere with its test suite and runs every test.
# With --sanitize, builds in build-sanitize with AddressSanitizer and
# UndefinedBehaviorSanitizer instead.
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
need_gtest
need_cli11
dir="$ROOT/build-tests"
options=(-DPARENTSPHERE_TESTS=ON -DCMAKE_BUILD_TYPE=Release)
if [ "${1:-}" = "--sanitize" ]; then
  dir="$ROOT/build-sanitize"
  options=(-DPARENTSPHERE_TESTS=ON -DPARENTSPHERE_SANITIZE=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo)
fi
configure "$dir" "${options[@]}"
cmake --build "$dir" -j "$(jobs)"
cd "$dir"
ctest --output-on-failure -j "$(jobs)"
