#!/usr/bin/env bash
# A first start with an empty home folder and no audio or MIDI device: the window titled
# "Keystead" measures 734 x 588; nothing is written while it runs; "Exit" in its menu, clicked
# as a user would, ends the program and leaves the settings file with its sixteen keys in order,
# each at its default. A second start takes the saved values back and writes them out again.
set -euo pipefail
PROGRAM="$(realpath "$1")"
source "$(dirname "$0")/lib/keystead.bash"

home=$(mktemp -d)
trap 'kill -KILL "${PROGRAM_PID:-}" 2>/dev/null || true; rm -rf "$home"' EXIT
# No JACK server goes by this name, so the program finds no audio device.
export JACK_DEFAULT_SERVER="keystead-none-$$"
file=$(settings_file "$home")

start_program "$home"
[ "$WIN_WIDTH" -eq 734 ] && [ "$WIN_HEIGHT" -eq 588 ] || fail "window is ${WIN_WIDTH} x ${WIN_HEIGHT}"
echo "first start: window after ${STARTUP_MS} ms"
[ -e "$file" ] && fail "the settings file was written before quitting"

quit_through_menu
[ -f "$file" ] || fail "no settings file at $file"

# The sixteen keys in the order they are written, each with its default; no device was opened,
# so none is recorded.
expected="tempoMode=0 metronomeMode=0 tempo=120.0 subdivisor=1 goodMetronome=30.0 noChordMetronome=60.0
goodNoMetronome=50 noChordNoMetronome=100 booVolume=1.0 clickVolume=1.0 filter_midi_chanel=0 midi_chanel=1
filter_midi_range=0 highest_note=127 lowest_note=0 audioDeviceState="
actual=$(for key in $(setting_keys "$file"); do echo "$key=$(setting "$file" "$key")"; done | xargs)
[ "$actual" = "$(echo $expected)" ] || fail "the first quit wrote: $actual"

# Values as a user's earlier runs could have left them (the tempo after following the player).
python3 - "$file" <<'PY'
import sys, xml.etree.ElementTree as ET
tree = ET.parse(sys.argv[1])
new = {"tempo": "97.6", "subdivisor": "3", "midi_chanel": "7", "filter_midi_range": "1",
       "lowest_note": "36", "highest_note": "84", "clickVolume": "0.25"}
for v in tree.getroot().iter("VALUE"):
    if v.get("name") in new:
        v.set("val", new[v.get("name")])
tree.write(sys.argv[1])
PY

start_program "$home"
echo "second start: window after ${STARTUP_MS} ms"
quit_through_menu

[ "$(setting "$file" tempo)" = "97.0" ] || fail "tempo came back as $(setting "$file" tempo)"
for pair in subdivisor=3 midi_chanel=7 filter_midi_range=1 lowest_note=36 highest_note=84 clickVolume=0.25; do
    key=${pair%%=*}
    [ "$(setting "$file" "$key")" = "${pair#*=}" ] || fail "$key came back as $(setting "$file" "$key")"
done
[ "$(setting_keys "$file" | wc -l)" -eq 16 ] || fail "the file no longer holds sixteen keys"
echo "PASS"
