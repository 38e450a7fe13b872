#!/usr/bin/env bash
# Installs what is missing, builds and runs the whole test suite headless.
source "$(dirname "$0")/scripts/common.sh"
install_missing
build_tree "$ROOT/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo
export QT_QPA_PLATFORM=offscreen
cd "$ROOT/build"
ctest --output-on-failure -j"$(nproc)" "$@"
