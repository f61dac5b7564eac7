#!/usr/bin/env bash
# A standard error that does not drain: a pipe nobody reads (full before the start, as a terminal
# stopped with Ctrl+S is), or one whose reader has gone. Nothing the program or its libraries
# write there holds it up: with no JACK server (whose library then writes its errors) the window
# shows and a SIGTERM saves a value changed in the MIDI-input filter window and ends with code 0;
# the lines said while the pipe was full come out once it is read, the last ones included; and
# with the reader gone, a SIGTERM while the X server is frozen (where the quit's watchdog speaks)
# still saves the value and ends with code 0, not SIGPIPE.
set -euo pipefail
PROGRAM="$(realpath "$1")"
source "$(dirname "$0")/lib/keystead.bash"

home=$(mktemp -d)
file=$(settings_file "$home")
pipe="$home/stderr"
XVFB_PID="" JACK_PID="" HOLDER_PID="" READER_PID=""
cleanup() {
    kill -KILL "${PROGRAM_PID:-}" $HOLDER_PID $READER_PID 2>/dev/null || true
    end_jack_server
    [ -z "$XVFB_PID" ] || { kill -KILL "$XVFB_PID"; wait "$XVFB_PID"; } 2>/dev/null || true
    rm -rf "$home"
}
trap cleanup EXIT

# A named pipe that a process holds open without reading, filled to the brim: the next write blocks.
full_pipe() {
    rm -f "$pipe" && mkfifo "$pipe"
    (exec 3<"$pipe"; exec sleep 600) &
    HOLDER_PID=$!
    head -c 65536 /dev/zero >"$pipe"
}

# Ends a process started here, and forgets it.
end() { [ -z "$1" ] || { kill -KILL "$1"; wait "$1"; } 2>/dev/null || true; }

# The program, its standard error the named pipe.
start_into_pipe() { start_program "$home" sh -c "exec \"\$0\" 2>'$pipe'"; }

# 1. Full from the start, no JACK server.
full_pipe
JACK_DEFAULT_SERVER="keystead-none-$$" start_into_pipe
open_filter_window
toggle 80 60 1
kill -TERM "$PROGRAM_PID"
wait_for_end "SIGTERM with standard error full"
[ "$STATUS" -eq 0 ] || fail "with standard error full the program ended with code $STATUS"
[ "$(setting "$file" filter_midi_chanel)" = 1 ] || fail "with standard error full the value was lost"
end "$HOLDER_PID"; HOLDER_PID=""

# 2. Full until the quit's last lines are said: the save fails (the file is a link to a device),
# and a stopped JACK server holds the audio device's close, which comes after the window has gone.
# Then the pipe is read.
start_jack_server "$home" "keystead-stderr-$$"
full_pipe
mkdir -p "$(dirname "$file")" && ln -sf /dev/null "$file"
start_into_pipe
wait_for_program_ports "the program did not open the JACK device"
kill -STOP "$JACK_PID"
kill -TERM "$PROGRAM_PID"
for i in $(seq 1 300); do
    xdotool search --onlyvisible --name '^Keystead$' >/dev/null 2>&1 || break
    sleep 0.1
done
cat "$pipe" >"$home/read" &
READER_PID=$!
wait_for_end "SIGTERM with standard error full and the JACK server stopped"
[ "$STATUS" -eq 1 ] || fail "a quit that could not save ended with code $STATUS"
for line in "Keystead: the settings were not saved" "Keystead: the audio device did not close"; do
    for i in $(seq 1 100); do grep -aq "$line" "$home/read" && break; sleep 0.1; done
    grep -aq "$line" "$home/read" || fail "'$line...' did not come out of the pipe: $(tr -d '\0' <"$home/read")"
done
end "$READER_PID"; READER_PID=""
end "$HOLDER_PID"; HOLDER_PID=""
end_jack_server
rm "$file"

# 3. The reader goes once the window is drawn; then the X server freezes and SIGTERM comes.
rm -f "$pipe" && mkfifo "$pipe"
cat "$pipe" >/dev/null &
READER_PID=$!
own_xvfb "$home" 24
shared_display=$DISPLAY
export DISPLAY=$OWN_DISPLAY
JACK_DEFAULT_SERVER="keystead-none-$$" start_into_pipe
open_filter_window
toggle 80 60 1
end "$READER_PID"; READER_PID=""
kill -STOP "$XVFB_PID"
kill -TERM "$PROGRAM_PID"
wait_for_end "SIGTERM with the X server frozen and the standard error's reader gone"
export DISPLAY=$shared_display
[ "$STATUS" -eq 0 ] || fail "with the standard error's reader gone the program ended with code $STATUS"
[ "$(setting "$file" filter_midi_chanel)" = 1 ] || fail "with the standard error's reader gone the value was lost"
echo "PASS"
