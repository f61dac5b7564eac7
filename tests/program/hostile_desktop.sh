#!/usr/bin/env bash
# The program in a hostile desktop. With no X display, or one it cannot draw on, it says so and
# leaves the settings alone. The quit request of a session's end (SIGTERM from kill or a logout,
# SIGHUP from a closing terminal, SIGINT from Ctrl+C) saves a value changed in the MIDI-input
# filter window and ends with code 0; so does one while the X server is frozen, and the loss of
# the X server saves it and ends the process. Standard streams left closed and quit signals the
# caller ignores do no harm. A stopped JACK server (as under a debugger) holds neither a start nor
# a quit after a quit signal.
set -euo pipefail
PROGRAM="$(realpath "$1")"
source "$(dirname "$0")/lib/keystead.bash"

home=$(mktemp -d)
file=$(settings_file "$home")
XVFB_PID="" JACK_PID=""
cleanup() {
    kill -KILL "${PROGRAM_PID:-}" 2>/dev/null || true
    end_jack_server
    [ -z "$XVFB_PID" ] || { kill -KILL "$XVFB_PID"; wait "$XVFB_PID"; } 2>/dev/null || true
    rm -rf "$home"
}
trap cleanup EXIT

# 1. No display, or an 8-bit one: one line that names the display, a plain failure, and the file
# as it was.
echo '<?xml version="1.0"?><PROPERTIES><VALUE name="tempo" val="90"/></PROPERTIES>' >"$home/before"
mkdir -p "$(dirname "$file")" && cp "$home/before" "$file"
own_xvfb "$home" 8
for display in unset :1999 "$OWN_DISPLAY"; do
    code=0
    if [ "$display" = unset ]; then
        HOME="$home" env -u DISPLAY timeout -s KILL 60 "$PROGRAM" 2>"$home/err" || code=$?
    else
        HOME="$home" DISPLAY="$display" timeout -s KILL 60 "$PROGRAM" 2>"$home/err" || code=$?
    fi
    [ "$code" -ne 0 ] && [ "$code" -lt 128 ] || fail "with DISPLAY $display the program ended with code $code"
    grep -q "DISPLAY\|\"$display\"" "$home/err" || fail "with DISPLAY $display nothing names it: $(cat "$home/err")"
    cmp -s "$file" "$home/before" || fail "with DISPLAY $display the settings file changed"
done
rm "$file"

# 2. Quit signals. signal, the toggle clicked (its centre in the filter window), its key, value
for row in "TERM 80 60 filter_midi_chanel 1" "HUP 80 164 filter_midi_range 1" "INT 80 60 filter_midi_chanel 0"; do
    read -r signal x y key value <<<"$row"
    start_program "$home"
    open_filter_window
    toggle "$x" "$y" "$value"
    kill -s "$signal" "$PROGRAM_PID"
    expect_clean_exit "SIG$signal"
    [ "$(setting "$file" "$key")" = "$value" ] || fail "after SIG$signal $key is '$(setting "$file" "$key" || true)'"
done
[ "$(setting "$file" filter_midi_range)" = "1" ] || fail "the third run lost the second one's value"

# 3. A hostile start: standard streams left closed (the program's own sockets would take them and
# get the JACK library's error lines), and a quit signal the caller ignores (nohup, a script's
# background job), which stays ignored while SIGTERM still ends it cleanly. No JACK server runs.
# ignored signal (- none), launcher
while read -r ignored launcher; do
    eval "launcher=($launcher)"
    JACK_DEFAULT_SERVER="keystead-none-$$" start_program "$home" "${launcher[@]}"
    wait_drawn
    for fd in 0 1 2; do
        link=$(readlink "/proc/$PROGRAM_PID/fd/$fd") && [ "${link#socket:}" = "$link" ] ||
            fail "${launcher[*]}: descriptor $fd is '${link:-closed}'"
    done
    if [ "$ignored" != - ]; then
        (( 0x$(awk '$1 == "SigIgn:" { print $2 }' "/proc/$PROGRAM_PID/status") >> ($(kill -l "$ignored") - 1) & 1 )) ||
            fail "SIG$ignored, ignored at start, is no longer ignored"
    fi
    kill -TERM "$PROGRAM_PID"
    expect_clean_exit "SIGTERM after a start by ${launcher[*]}"
done <<'ROWS'
-   sh -c 'exec "$0" 2>&-'
-   sh -c 'exec "$0" <&- >&- 2>&-'
HUP nohup
INT env --ignore-signal=INT
ROWS

# 4. The X server goes away (KILL), which ends the program with code 1, or stops answering (STOP,
# as a frozen desktop or a stalled remote link does), where SIGTERM still ends it with code 0;
# either way the value is saved. how, exit code, value
for row in "KILL 1 1" "STOP 0 0"; do
    read -r how code value <<<"$row"
    own_xvfb "$home" 24
    shared_display=$DISPLAY
    export DISPLAY=$OWN_DISPLAY
    start_program "$home"
    open_filter_window
    toggle 80 60 "$value"
    kill -s "$how" "$XVFB_PID"
    if [ "$how" = KILL ]; then
        { wait "$XVFB_PID"; } 2>/dev/null || true
        XVFB_PID=""
    else
        kill -TERM "$PROGRAM_PID"
    fi
    wait_for_end "SIG$how of its X server"
    export DISPLAY=$shared_display
    [ "$STATUS" -eq "$code" ] || fail "after SIG$how of the X server the program ended with code $STATUS"
    [ "$(setting "$file" filter_midi_chanel)" = "$value" ] || fail "after SIG$how of the X server the value was lost"
done
{ kill -KILL "$XVFB_PID"; wait "$XVFB_PID"; } 2>/dev/null || true
XVFB_PID=""

# 5. A stopped JACK server, at start and at quit.
start_jack_server "$home" "keystead-hostile-$$"
kill -STOP "$JACK_PID"
cp "$file" "$home/before"
PROGRAM_LOG="$home/program.log"
HOME="$home" "$PROGRAM" >"$PROGRAM_LOG" 2>&1 &
PROGRAM_PID=$!
# The start is held once its client waits in the stopped server's queue of connections.
held() { ss -xlH | awk -v name="jack_${JACK_DEFAULT_SERVER}_" 'index($5, name) && $3 > 0' | grep -q .; }
for i in $(seq 1 300); do held && break; sleep 0.05; done
held || fail "the program did not come to open the JACK device"
kill -TERM "$PROGRAM_PID"
wait_for_end "SIGTERM during a start held by the stopped JACK server"
cmp -s "$file" "$home/before" || fail "a start cut short changed the settings file"

kill -CONT "$JACK_PID"
start_program "$home"
for i in $(seq 1 100); do [ "$(program_ports)" -eq 2 ] && break; sleep 0.1; done
[ "$(program_ports)" -eq 2 ] || fail "the program did not open the JACK device"
open_filter_window
toggle 80 164 0
kill -STOP "$JACK_PID"
kill -TERM "$PROGRAM_PID"
wait_for_end "SIGTERM with the JACK server stopped"
[ "$STATUS" -eq 0 ] || fail "the quit with the JACK server stopped ended with code $STATUS"
[ "$(setting "$file" filter_midi_range)" = "0" ] || fail "the value changed before the quit was lost"
echo "PASS"
