#!/usr/bin/env bash
# Installs what is missing, builds the test build (with AddressSanitizer and
# UndefinedBehaviorSanitizer) and runs every test through CTest.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
BUILD=build/test
cmake -S . -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG="-O1 -g" \
  -DKAVITRO_SANITIZE=ON -DKAVITRO_BUILD_TESTS=ON -DKAVITRO_BUILD_BENCH=ON -DKAVITRO_NASTALIQ_ARTWORK=ON
cmake --build "$BUILD" --parallel "$(nproc)"
export QT_QPA_PLATFORM=offscreen
ctest --test-dir "$BUILD" --output-on-failure --parallel "$(nproc)" --timeout 600
