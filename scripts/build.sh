#!/usr/bin/env bash
# Configures and builds the program, the simulated instrument and the tests.
#   scripts/build.sh             GCC, warnings as errors, in build/
#   scripts/build.sh --sanitize  clang with AddressSanitizer and UndefinedBehaviorSanitizer,
#                                and the libFuzzer targets, in build-sanitize/
set -euo pipefail
cd "$(dirname "$0")/.."
if [ "${1:-}" = "--sanitize" ]; then
  # The test lists are read from the programs while building: under the
  # sanitizers' options.
  source scripts/sanitizer-env.sh
  dir=build-sanitize
  log=build-sanitize.log
  CC=clang CXX=clang++ cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVONDREL_FUZZ=ON > "$log" 2>&1 \
    || { cat "$log"; exit 1; }
else
  dir=build
  log=build.log
  cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVONDREL_WERROR=ON > "$log" 2>&1 || { cat "$log"; exit 1; }
fi
cmake --build "$dir" -j"$(nproc)" >> "$log" 2>&1 || { tail -n 80 "$log"; exit 1; }
