#!/usr/bin/env bash
# A first start with an empty home folder and no audio or MIDI device: the window titled
# "Keystead" measures 734 x 588; "Exit" in its menu, clicked as a user would, ends the program
# and leaves the settings file with its sixteen keys. A second start takes the saved values
# back and writes them out again.
set -euo pipefail
PROGRAM="$(realpath "$1")"
source "$(dirname "$0")/lib/keystead.bash"

home=$(mktemp -d)
trap 'kill -KILL "${PROGRAM_PID:-}" 2>/dev/null || true; rm -rf "$home"' EXIT

start_program "$home"
[ "$WIN_WIDTH" -eq 734 ] && [ "$WIN_HEIGHT" -eq 588 ] || fail "window is ${WIN_WIDTH} x ${WIN_HEIGHT}"
sleep 1
echo "first start: window after ${STARTUP_MS} ms, resident memory $(resident_kb) kB"
[ -e "$(settings_file "$home")" ] && fail "the settings file was written before quitting"

quit_through_menu
file=$(settings_file "$home")
[ -f "$file" ] || fail "no settings file at $file"

expected="tempoMode metronomeMode tempo subdivisor goodMetronome noChordMetronome goodNoMetronome
noChordNoMetronome booVolume clickVolume filter_midi_chanel midi_chanel filter_midi_range
highest_note lowest_note audioDeviceState"
[ "$(setting_keys "$file" | xargs)" = "$(echo $expected)" ] || fail "keys: $(setting_keys "$file" | xargs)"
[ "$(setting "$file" tempo)" = "120.0" ] || fail "tempo $(setting "$file" tempo)"
[ "$(setting "$file" midi_chanel)" = "1" ] || fail "midi_chanel $(setting "$file" midi_chanel)"

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
