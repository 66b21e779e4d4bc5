#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Runs every test: sets up the packages, builds the normal configuration and the one with the
# address and undefined-behaviour sanitizers, and runs ctest in both.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."

# Non-blank, non-comment C++ lines of the tests against those of everything else but bench/;
# fails when the tests outgrow 0.40 of the code.
count_lines() {
    local t c
    t=$(git ls-files 'tests/*.cpp' 'tests/*.h' | xargs cat | grep -cvE '^\s*(//.*)?$')
    c=$(git ls-files '*.cpp' '*.h' ':!tests/' ':!bench/' | xargs cat | grep -cvE '^\s*(//.*)?$')
    printf 'tests %d lines, code %d lines: %s (at most 0.40)\n' "$t" "$c" "$(awk -v t="$t" -v c="$c" 'BEGIN { printf "%.2f", t / c }')"
    if (( t * 100 > c * 40 )); then
        echo "the tests exceed 0.40 of the code" >&2
        return 1
    fi
}

bash Tools/setup-debian.sh
jobs="$(nproc)"

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j"$jobs"
ctest --test-dir build --output-on-failure --timeout 600

cmake -S . -B build-sanitize -G Ninja -DCMAKE_BUILD_TYPE=Debug -DGRABBIT_SANITIZE=ON
cmake --build build-sanitize -j"$jobs"
# The end-to-end runs drive whole processes already proven above; the sanitizers watch our code.
ctest --test-dir build-sanitize --output-on-failure --timeout 600 --label-exclude end-to-end

count_lines
