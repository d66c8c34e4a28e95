#!/usr/bin/env bash
# The test command: installs what is needed, builds with GCC (warnings as
# errors) and runs every test; builds again with clang under AddressSanitizer
# and UndefinedBehaviorSanitizer and runs every test once more there; then
# runs the fuzz targets of that build briefly.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
export QT_QPA_PLATFORM=offscreen

scripts/build.sh
(cd build && ctest --output-on-failure -j"$(nproc)" --timeout 600)

scripts/build.sh --sanitize
(source scripts/sanitizer-env.sh && cd build-sanitize && ctest --output-on-failure -j"$(nproc)" --timeout 900)

scripts/fuzz.sh "${VONDREL_FUZZ_SECONDS:-10}"
