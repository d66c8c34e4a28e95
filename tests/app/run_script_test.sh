#!/usr/bin/env bash
# The run command's own decisions, on a copy of the script whose installer,
# build and programs are stand-ins that note their calls: it builds only the
# program's targets (build.sh --program); without a desktop it says how to run
# headless and stops before building; on a new folder it prepares it with the
# demo project and starts the simulator and the program; on a folder that a running program holds it starts no simulator, leaves
# ports/COM4 alone and still starts the program (which then says why it ends).
set -euo pipefail
script="$1"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

mkdir -p "$tmp/scripts" "$tmp/build"
cp "$script" "$tmp/scripts/run.sh"
for s in install-deps build; do
  printf '#!/bin/sh\necho "%s${*:+ $*}" >> "%s/calls"\n' "$s" "$tmp" > "$tmp/scripts/$s.sh"
done
for p in vondrel-init-home vondrel; do
  printf '#!/bin/sh\necho "%s $*" >> "%s/calls"\n' "$p" "$tmp" > "$tmp/build/$p"
done
# The simulator stand-in makes its link, as the real one does.
printf '#!/bin/sh\necho "vondrel-sim $1" >> "%s/calls"\nln -sf /dev/null "$2"\n' "$tmp" > "$tmp/build/vondrel-sim"
chmod +x "$tmp"/scripts/*.sh "$tmp"/build/*
home="$tmp/home"
export VONDREL_HOME="$home"

# Without a desktop: one line with the headless command, status 1, no build.
if out=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$tmp/scripts/run.sh" /run 2>&1); then
  fail "went on without a desktop"
fi
[ "$(printf '%s\n' "$out" | wc -l)" -eq 1 ] || fail "more than one line: $out"
grep -qF 'QT_QPA_PLATFORM=offscreen ./scripts/run.sh /run' <<<"$out" || fail "no headless hint: $out"
[ ! -e "$tmp/calls" ] || fail "built without a desktop: $(cat "$tmp/calls")"

# A new folder, headless.
env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=offscreen "$tmp/scripts/run.sh" /run
expected="install-deps
build --program
vondrel-init-home --demo-project $home
vondrel-sim --link
vondrel /run"
[ "$(cat "$tmp/calls")" = "$expected" ] || fail "new folder: $(cat "$tmp/calls")"

# The folder held by a running program (this shell holds the lock).
rm "$tmp/calls"
rm "$home/ports/COM4"
echo "the running program's link" > "$home/ports/COM4"
exec 9>"$home/vondrel.lock"
flock -n 9 || fail "cannot take the lock"
QT_QPA_PLATFORM=offscreen "$tmp/scripts/run.sh" /run
expected="install-deps
build --program
vondrel /run"
[ "$(cat "$tmp/calls")" = "$expected" ] || fail "locked folder: $(cat "$tmp/calls")"
[ "$(cat "$home/ports/COM4")" = "the running program's link" ] || fail "ports/COM4 replaced"
echo "run script checks passed"
