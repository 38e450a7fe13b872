#!/usr/bin/env bash
# Installs what is missing, builds, and starts the tool talking to the
# built-in instrument simulator on COM1 (a pseudo-terminal).
source "$(dirname "$0")/scripts/common.sh"
install_missing
build_tree "$ROOT/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo
HOME_DIR="${SETUP720_HOME:-$ROOT/build/home}"
mkdir -p "$HOME_DIR/Daten" "$HOME_DIR/Hilfe"
# The shipped language files; a newer copy there (edited in the language
# manager) is kept.
cp -u "$ROOT"/build/*.LNG "$HOME_DIR/" 2>/dev/null || true
export SETUP720_HOME="$HOME_DIR"
"$ROOT/build/setup720-sim" --register 1 --home "$HOME_DIR" --quiet > "$HOME_DIR/sim.out" &
SIM=$!
trap 'kill $SIM 2>/dev/null; wait $SIM 2>/dev/null' EXIT
# The simulator writes its pseudo-terminal into the port table before it says so.
for _ in $(seq 50); do grep -q '^PTY' "$HOME_DIR/sim.out" 2>/dev/null && break; sleep 0.1; done
echo "Simulator: $(head -1 "$HOME_DIR/sim.out") as COM1, program folder $HOME_DIR"
"$ROOT/build/Setup720" "$@"
