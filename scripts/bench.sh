#!/usr/bin/env bash
# Builds the release build with the benchmarks and runs them all.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
BUILD=build/bench
# With the Nastaliq artwork, as every build makes it (named, since a build
# folder keeps the value its first configuration cached).
cmake -S . -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release -DKAVITRO_BUILD_TESTS=OFF -DKAVITRO_BUILD_BENCH=ON \
  -DKAVITRO_NASTALIQ_ARTWORK=ON
cmake --build "$BUILD" --parallel "$(nproc)"
for b in "$BUILD"/bench/*_bench; do
  [ -x "$b" ] && "$b" "$@"
done
