#!/usr/bin/env bash
# Installs what is missing, builds the release build and starts Kavitro.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
BUILD=build/release
# The Nastaliq artwork is the default; named here too, since a build folder
# keeps the value its first configuration cached.
cmake -S . -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release -DKAVITRO_BUILD_TESTS=OFF -DKAVITRO_BUILD_BENCH=OFF \
  -DKAVITRO_NASTALIQ_ARTWORK=ON
# The program and the command-line tools the README shows beside it.
cmake --build "$BUILD" --parallel "$(nproc)" --target kavitro kavitro-doc kavitro-shape
exec "$BUILD/app/kavitro" "$@"
