#!/usr/bin/env bash
# The quit request of a session's end reaches the program's orderly shut-down: a value changed
# in the MIDI-input filter window is in the settings file after SIGTERM (kill, logout, system
# shut-down) and after SIGHUP (the terminal closing), and the program ends with code 0.
set -euo pipefail
PROGRAM="$(realpath "$1")"
source "$(dirname "$0")/lib/keystead.bash"

home=$(mktemp -d)
trap 'kill -KILL "${PROGRAM_PID:-}" 2>/dev/null || true; rm -rf "$home"' EXIT
file=$(settings_file "$home")

# signal, the toggle clicked (its centre in the filter window), the key it sets
for row in "TERM 80 60 filter_midi_chanel" "HUP 80 164 filter_midi_range"; do
    read -r signal x y key <<<"$row"
    start_program "$home"
    open_filter_window
    xdotool mousemove $((FILTER_X + x)) $((FILTER_Y + y)) click 1
    sleep 0.5
    kill -s "$signal" "$PROGRAM_PID"
    expect_clean_exit "SIG$signal"
    [ "$(setting "$file" "$key")" = "1" ] || fail "after SIG$signal $key is '$(setting "$file" "$key" || true)'"
done

[ "$(setting "$file" filter_midi_chanel)" = "1" ] || fail "the second run lost the first one's value"
echo "PASS"
