#!/usr/bin/env bash
# With a JACK server on the dummy driver (48000 Hz) and no other audio device, the program
# opens the JACK device and plays into it while it runs. A first start opens it as the
# default device, which is no choice of the user's, so nothing is recorded for it; once a
# device state names JACK, the program restores it and saves the device it really opened,
# with the server's 48000 Hz, at quit. A value changed in the MIDI-input filter window reaches the
# file, which is written only at quit.
set -euo pipefail
PROGRAM="$(realpath "$1")"
source "$(dirname "$0")/lib/keystead.bash"

command -v jackd >/dev/null || fail "jackd is not installed (scripts/setup.sh installs jackd2)"

home=$(mktemp -d)
JACK_PID=""
cleanup() {
    kill -KILL "${PROGRAM_PID:-}" 2>/dev/null || true
    [ -n "$JACK_PID" ] && kill "$JACK_PID" 2>/dev/null
    wait 2>/dev/null || true
    rm -rf "$home"
}
trap cleanup EXIT

start_jack_server "$home" "keystead-test-$$"
[ "$(jack_samplerate)" = "48000" ] || fail "the server runs at $(jack_samplerate) Hz"

file=$(settings_file "$home")
start_program "$home"
wait_for_program_ports "the program did not open the JACK device"
echo "with JACK: window after ${STARTUP_MS} ms"
open_filter_window
xdotool mousemove $((FILTER_X + 80)) $((FILTER_Y + 60)) click 1   # the channel filter's toggle
sleep 0.5
[ -e "$file" ] && fail "the settings file was written before quitting"
quit_through_menu
grep -h "did not close" "$PROGRAM_LOG" || true
# The next start opens a client of the same name, once the server has let go of this one.
wait_for_program_client_gone "the device was not closed at quit"
[ "$(setting_keys "$file" | wc -l)" -eq 16 ] || fail "the file does not hold sixteen keys"
[ "$(setting "$file" filter_midi_chanel)" = "1" ] || fail "the channel filter switched on was not saved"
[ "$(setting "$file" audioDeviceState)" = "" ] || fail "a default device was recorded as chosen"

# A state naming JACK's "system" device, as choosing it in the audio settings window leaves it;
# the rate asked for is one the server does not run at.
python3 - "$file" <<'PY'
import sys, xml.etree.ElementTree as ET
tree = ET.parse(sys.argv[1])
for v in tree.getroot().iter("VALUE"):
    if v.get("name") == "audioDeviceState":
        v.attrib.pop("val", None)
        ET.SubElement(v, "DEVICESETUP", {"deviceType": "JACK", "audioOutputDeviceName": "system",
                                         "audioDeviceRate": "44100.0"})
tree.write(sys.argv[1])
PY

start_program "$home"
wait_for_program_ports "the program did not reopen the JACK device"
quit_through_menu

state=$(setting "$file" audioDeviceState)
echo "saved device state: $state"
python3 - "$state" <<'PY' || fail "the saved device state does not name the JACK device at 48000 Hz"
import sys, xml.etree.ElementTree as ET
e = ET.fromstring(sys.argv[1])
assert e.tag == "DEVICESETUP", e.tag
assert e.get("deviceType") == "JACK", e.get("deviceType")
assert e.get("audioOutputDeviceName"), "no device name"
assert float(e.get("audioDeviceRate")) == 48000.0, e.get("audioDeviceRate")
PY
echo "PASS"
