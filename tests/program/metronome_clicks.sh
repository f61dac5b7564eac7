#!/usr/bin/env bash
# As a user meets it: a first start with an empty home folder on a JACK server (dummy driver,
# 48000 Hz). Switching TEMPO to ON and pressing START plays the metronome at the default 120
# beats per minute, one click every 500 ms to within a millisecond in what the program sends to
# JACK; STOP silences it; moving the metronome volume slider and letting go plays exactly one
# click. The click times found are written to the test log.
set -euo pipefail
PROGRAM="$(realpath "$1")"
source "$(dirname "$0")/lib/keystead.bash"

command -v jackd >/dev/null || fail "jackd is not installed (scripts/setup.sh installs jackd2)"

home=$(mktemp -d)
JACK_PID=""
trap 'kill -KILL "${PROGRAM_PID:-}" 2>/dev/null || true; [ -n "$JACK_PID" ] && kill "$JACK_PID" 2>/dev/null;
      wait 2>/dev/null || true; rm -rf "$home"' EXIT

start_jack_server "$home" "keystead-clicks-$$"

start_program "$home"
wait_for_program_ports "the program opened no JACK ports"

# The editor lies under the menu bar, at the bottom of the window.
top=$((WIN_HEIGHT - 564))
click_at() { xdotool mousemove --window "$WINDOW" "$1" $(($2 + top)) click 1; sleep 0.3; }

# press X Y LOOK: clicks START or STOP, then waits until the program shows the look that leads
# to: the tempo switch's OFF label (255-300, 301-321) black while stopped, grey while running.
# On a loaded machine a click was seen to go unanswered: after 10 s it is given again, as a
# user would; a second START could restart the beat, so it is never given sooner.
press() {
    local attempt i dark
    for attempt in 1 2; do
        [ "$attempt" -eq 1 ] || echo "no answer to the click at $1, $2 within 10 s: given again"
        click_at "$1" "$2"
        for i in $(seq 1 40); do
            dark=$(dark_pixels 100 255 301 300 321)
            { [ "$3" = running ] && [ "$dark" -eq 0 ]; } || { [ "$3" = stopped ] && [ "$dark" -gt 20 ]; } && return
            sleep 0.25
        done
    done
    fail "the program does not show it is $3 ($dark dark pixels in the OFF label)"
}

# How many pixels of an area of the editor (X0 Y0 X1 Y1, ends excluded) are darker on screen
# than a luma LIMIT: dark_pixels LIMIT X0 Y0 X1 Y1.
dark_pixels() {
    import -window "$WINDOW" "$home/shot.png" 2>/dev/null || { echo -1; return; }
    convert "$home/shot.png" -depth 8 rgb:- | python3 -c '
import sys
w, top, limit, x0, y0, x1, y1 = map(int, sys.argv[1:])
d = sys.stdin.buffer.read()
luma = lambda i: 0.299 * d[i] + 0.587 * d[i + 1] + 0.114 * d[i + 2]
print(sum(luma(((y + top) * w + x) * 3) < limit for y in range(y0, y1) for x in range(x0, x1)))
' "$WIN_WIDTH" "$top" "$@"
}

# The controls take clicks once the reveal (about 2.5 s) has shown them: wait until the START
# button's dark lower wall (80, 119 in the editor) is on screen. The reveal's last steps only
# fade the picture, which press waits out by the look it waits for.
revealed=""
for i in $(seq 1 80); do
    sleep 0.25
    [ "$(dark_pixels 150 80 119 81 120)" -eq 1 ] && { revealed=yes; break; }
done
[ -n "$revealed" ] || fail "the controls were not revealed (no dark START button)"

# record SECONDS NAME: what the program sends to JACK, as 16-bit stereo.
# A recorder that the server dropped for being late (a loaded machine) would wait for ever.
# Its buffer holds 5 s, so that its file writer may be starved for long; it still reports
# what it had to drop ("overruns"), which is then the recorder's loss, not the program's.
record() {
    timeout -s KILL $(($1 + 10)) jack_rec -f "$home/$2.wav" -d "$1" -b 16 -B 262144 \
        JUCEJack:out_1 JUCEJack:out_2 >"$home/$2.log" 2>&1 || fail "recording $2 did not finish"
    ! grep -q overruns "$home/$2.log" || fail "the recorder lost frames: $(cat "$home/$2.log" | xargs)"
}

# Onsets in a recording, in seconds: where the signal rises above a threshold after at least
# 100 ms below it.
onsets() {
    python3 - "$home/$1.wav" <<'PY'
import sys, wave, array
w = wave.open(sys.argv[1])
rate, channels = w.getframerate(), w.getnchannels()
samples = array.array("h", w.readframes(w.getnframes()))
left = samples[0::channels]
# A click already sounding when the recording began has no onset in it: its tail is skipped.
quiet, last, cut = int(0.1 * rate), -10**9, int(0.03 * rate)
for i, v in enumerate(left):
    if abs(v) > 1000:
        if i - last > quiet and i >= cut:
            print("%.6f" % (i / rate))
        last = i
PY
}

click_at 363 312   # TEMPO: ON
record 1 before
[ -z "$(onsets before)" ] || fail "clicks before START: $(onsets before | xargs)"

press 83 109 running    # START
record 3 running
times=$(onsets running | xargs)
echo "click times while running (s): $times"
python3 - $times <<'PY' || fail "the clicks are not 500 ms apart"
import sys
t = [float(x) for x in sys.argv[1:]]
assert len(t) >= 5, "only %d clicks in 3 s" % len(t)
gaps = [b - a for a, b in zip(t, t[1:])]
print("gaps (ms):", " ".join("%.3f" % (g * 1000) for g in gaps))
assert all(abs(g - 0.5) <= 0.001 for g in gaps), gaps
PY

press 83 145 stopped    # STOP
record 2 stopped
[ -z "$(onsets stopped)" ] || fail "clicks after STOP: $(onsets stopped | xargs)"

# The metronome volume slider (119, 239, 91 x 24): pressed, dragged and let go.
record 2 slider &
recorder=$!
# A recorder slow to start on a loaded machine must not miss the click: wait until it listens.
for i in $(seq 1 100); do
    jack_lsp -c | grep -q '^ *jackrec:' && break
    sleep 0.05
done
sleep 0.3
xdotool mousemove --window "$WINDOW" 190 $((251 + top)) mousedown 1
for x in 185 180 175 170; do xdotool mousemove --window "$WINDOW" "$x" $((251 + top)); sleep 0.05; done
xdotool mouseup 1
wait "$recorder"
preview=$(onsets slider | xargs)
echo "click times after the slider was let go (s): $preview"
[ "$(echo "$preview" | wc -w)" -eq 1 ] || fail "the slider played $(echo "$preview" | wc -w) clicks, not one"

quit_through_menu
echo "PASS"
