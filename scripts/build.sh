#!/usr/bin/env bash
# Configures and builds the program, the simulated instrument and the tests.
#   scripts/build.sh             GCC, warnings as errors, in build/: everything
#   scripts/build.sh --program   the same build dir, only what the program needs
#                                (vondrel, vondrel-sim, vondrel-init-home and their
#                                libraries), with the build's progress shown
#   scripts/build.sh --sanitize  clang with AddressSanitizer and UndefinedBehaviorSanitizer,
#                                and the libFuzzer targets, in build-sanitize/
# The compiler's full output goes to a log (build.log or build-sanitize.log);
# when a step fails its last lines are shown with the log's path.
set -euo pipefail
cd "$(dirname "$0")/.."
mode="${1:-}"
targets=()
progress=0
if [ "$mode" = "--sanitize" ]; then
  # The test lists are read from the programs while building: under the
  # sanitizers' options.
  source scripts/sanitizer-env.sh
  dir=build-sanitize
  log=build-sanitize.log
  configure=(env CC=clang CXX=clang++ cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVONDREL_FUZZ=ON)
else
  dir=build
  log=build.log
  configure=(cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVONDREL_WERROR=ON)
  if [ "$mode" = "--program" ]; then
    targets=(--target vondrel vondrel-sim vondrel-init-home)
    progress=1
  elif [ -n "$mode" ]; then
    echo "usage: scripts/build.sh [--program | --sanitize]" >&2
    exit 2
  fi
fi
failed() {
  tail -n 80 "$log" >&2
  echo "The $1 failed; the whole output is in $PWD/$log" >&2
  exit 1
}
[ "$progress" -eq 1 ] && echo "Configuring in $dir/ (output in $log)"
"${configure[@]}" > "$log" 2>&1 || failed configuration
if [ "$progress" -eq 1 ]; then
  # CMake's own progress lines ([ 42%] with Makefiles, [12/345] with Ninja)
  # are shown; everything goes to the log.
  echo "Building ${targets[*]:1}"
  status=0
  cmake --build "$dir" -j"$(nproc)" "${targets[@]}" 2>&1 | tee -a "$log" \
    | { grep --line-buffered -E '^\[ *[0-9]+(%|/[0-9]+)\]' || true; } || status=$?
  [ "$status" -eq 0 ] || failed build
else
  cmake --build "$dir" -j"$(nproc)" >> "$log" 2>&1 || failed build
fi
