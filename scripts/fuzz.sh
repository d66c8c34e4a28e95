#!/usr/bin/env bash
# Builds the sanitizer build (clang, ASan + UBSan, with the libFuzzer targets)
# in build-sanitize/ when needed and runs each fuzz target for the given
# number of seconds (default 10) on its seed corpus.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-10}"
scripts/build.sh --sanitize
source scripts/sanitizer-env.sh
for target in build-sanitize/tests/fuzz/fuzz_*; do
  [ -f "$target" ] && [ -x "$target" ] || continue
  name=$(basename "$target")
  corpus="build-sanitize/corpus/$name"
  mkdir -p "$corpus"
  cp -n tests/fuzz/seeds/"${name#fuzz_}"/* "$corpus"/ 2>/dev/null || true
  echo "fuzzing $name for ${seconds}s"
  "$target" -max_total_time="$seconds" -print_final_stats=0 "$corpus" > "build-sanitize/$name.log" 2>&1 \
    || { tail -n 60 "build-sanitize/$name.log"; echo "$name found a crash"; exit 1; }
done
echo "fuzzing: all targets ran clean"
