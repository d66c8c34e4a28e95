#!/usr/bin/env bash
# The run command: installs what is needed, builds, prepares a program folder
# when none exists, starts the simulated instrument on COM4 and starts the
# program on that folder. Arguments are passed to the program (e.g. /run).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh
export VONDREL_HOME="${VONDREL_HOME:-$PWD/vondrel-home}"
build/vondrel-init-home "$VONDREL_HOME"
sim_pid=""
if [ -x build/vondrel-sim ]; then
  mkdir -p "$VONDREL_HOME/ports"
  build/vondrel-sim --link "$VONDREL_HOME/ports/COM4" --control "$VONDREL_HOME/sim.ctl" \
    --log "$VONDREL_HOME/sim.log" > "$VONDREL_HOME/simulator.out" 2>&1 &
  sim_pid=$!
  trap '[ -n "$sim_pid" ] && kill "$sim_pid" 2>/dev/null || true' EXIT
  for _ in $(seq 50); do [ -e "$VONDREL_HOME/ports/COM4" ] && break; sleep 0.1; done
fi
build/vondrel "$@"
