#!/usr/bin/env bash
# The run command: installs what is needed, builds the program (its progress
# shown; the tests are built by the test command), prepares a program folder
# when none exists (with project 1 "Demo" current, so a run records at once),
# starts the simulated instrument on COM4 and starts the program on that
# folder. Arguments are passed to the program (e.g. /run).
set -euo pipefail
cd "$(dirname "$0")/.."
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
  echo "Vondrel needs a desktop (neither DISPLAY nor WAYLAND_DISPLAY is set); to run it without one: QT_QPA_PLATFORM=offscreen ./scripts/run.sh /run" >&2
  exit 1
fi
scripts/install-deps.sh
scripts/build.sh --program
export VONDREL_HOME="${VONDREL_HOME:-$PWD/vondrel-home}"
# A program already running on this folder keeps its simulator and its
# ports/COM4; the program started below then says it is already running.
locked=0
if [ -e "$VONDREL_HOME/vondrel.lock" ]; then
  status=0
  flock -n -E 75 "$VONDREL_HOME/vondrel.lock" true || status=$?
  if [ "$status" -eq 75 ]; then locked=1; fi
fi
sim_pid=""
if [ "$locked" -eq 0 ]; then
  build/vondrel-init-home --demo-project "$VONDREL_HOME"
  if [ -x build/vondrel-sim ]; then
    mkdir -p "$VONDREL_HOME/ports"
    build/vondrel-sim --link "$VONDREL_HOME/ports/COM4" --control "$VONDREL_HOME/sim.ctl" \
      --log "$VONDREL_HOME/sim.log" > "$VONDREL_HOME/simulator.out" 2>&1 &
    sim_pid=$!
    trap '[ -n "$sim_pid" ] && kill "$sim_pid" 2>/dev/null || true' EXIT
    for _ in $(seq 50); do [ -e "$VONDREL_HOME/ports/COM4" ] && break; sleep 0.1; done
  fi
fi
build/vondrel "$@"
