#!/usr/bin/env bash
# The test command: installs what is needed, builds, runs every test, then
# runs the fuzz targets briefly.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh
export QT_QPA_PLATFORM=offscreen
(cd build && ctest --output-on-failure -j"$(nproc)" --timeout 600)
scripts/fuzz.sh "${VONDREL_FUZZ_SECONDS:-10}"
