#!/usr/bin/env bash
# Builds every configuration and runs every test; exits non-zero on any
# failure. Warnings are errors here.
set -euo pipefail
cd "$(dirname "$0")/.."

jobs=$(nproc 2>/dev/null || echo 2)

# Release is what users run; Debug catches what the optimizer hides
# (for instance deep recursion turned into a loop).
for type in Release Debug; do
    dir=build/test-${type,,}
    echo "== $type build and tests"
    cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE="$type" -DCMAKE_COMPILE_WARNING_AS_ERROR=ON >/dev/null
    cmake --build "$dir" -j "$jobs"
    ctest --test-dir "$dir" -j "$jobs" --output-on-failure
done
