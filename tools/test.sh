#!/usr/bin/env bash
# Sets up the machine, then builds and runs every test twice: in an optimised
# build, and in a build with AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/setup.sh
export QT_QPA_PLATFORM=offscreen
# Huge allocations in tests must fail as bad_alloc rather than abort.
export ASAN_OPTIONS=allocator_may_return_null=1:detect_leaks=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

tools/build.sh build/release -DCMAKE_BUILD_TYPE=Release
ctest --test-dir build/release --output-on-failure

tools/build.sh build/sanitize -DCMAKE_BUILD_TYPE=Debug -DVELMOR_SANITIZE=ON
ctest --test-dir build/sanitize --output-on-failure
