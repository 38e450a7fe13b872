#!/usr/bin/env bash
# CI's fuzz check: configures BUILD_DIR for fuzzing if it is not yet (clang,
# sanitizers), builds the fuzz targets and runs each for SECONDS (default 5).
# Exits non-zero on any fault.
source "$(dirname "$0")/../scripts/common.sh"
BUILD="${1:?usage: fuzz/smoke.sh BUILD_DIR [SECONDS]}"
EACH="${2:-5}"
install_missing clang libclang-rt-14-dev
if [ ! -f "$BUILD/build.ninja" ]; then
  cmake -S "$ROOT" -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Debug \
    -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_C_COMPILER=clang \
    -DSETUP720_FUZZ=ON -DSETUP720_TESTS=OFF -DSETUP720_BENCH=OFF
fi
if ! grep -q '^SETUP720_FUZZ:BOOL=ON' "$BUILD/CMakeCache.txt"; then
  echo "$BUILD is not a fuzz configuration (SETUP720_FUZZ=ON)" >&2
  exit 2
fi
ninja -C "$BUILD" -j"$(nproc)" fuzz_targets
"$ROOT/fuzz/run.sh" "$BUILD" "$EACH"
