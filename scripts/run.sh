#!/usr/bin/env bash
# Installs what is missing, builds the release build and starts Kavitro.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
BUILD=build/release
cmake -S . -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release -DKAVITRO_BUILD_TESTS=OFF -DKAVITRO_BUILD_BENCH=OFF \
  -DKAVITRO_NASTALIQ_ARTWORK=ON
cmake --build "$BUILD" --parallel "$(nproc)" --target kavitro
exec "$BUILD/app/kavitro" "$@"
