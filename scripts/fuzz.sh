#!/usr/bin/env bash
# Builds the libFuzzer targets with clang in build-fuzz/ and runs each for the
# given number of seconds (default 10) on its seed corpus.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-10}"
CC=clang CXX=clang++ cmake -S . -B build-fuzz -DVONDREL_FUZZ=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo > build-fuzz.log 2>&1 \
  || { cat build-fuzz.log; exit 1; }
cmake --build build-fuzz -j"$(nproc)" >> build-fuzz.log 2>&1 || { tail -n 80 build-fuzz.log; exit 1; }
for target in build-fuzz/tests/fuzz/fuzz_*; do
  [ -x "$target" ] || continue
  name=$(basename "$target")
  corpus="build-fuzz/corpus/$name"
  mkdir -p "$corpus"
  cp -n tests/fuzz/seeds/"${name#fuzz_}"/* "$corpus"/ 2>/dev/null || true
  echo "fuzzing $name for ${seconds}s"
  "$target" -max_total_time="$seconds" -print_final_stats=0 "$corpus" > "build-fuzz/$name.log" 2>&1 \
    || { tail -n 60 "build-fuzz/$name.log"; echo "$name found a crash"; exit 1; }
done
echo "fuzzing: all targets ran clean"
