#!/usr/bin/env bash
# A quit on a slow disk (a USB stick, a network home: each fsync taking seconds) is a healthy
# program waiting for the disk. A SIGTERM saves a value changed in the MIDI-input filter window
# however long the disk takes, ends with code 0 and leaves no temporary file; the quit's watchdog,
# which is for a program stuck elsewhere, says nothing. With the X server frozen as well, the save
# still ends with the value kept and code 0 when the message thread waits on the display and the
# quit's watchdog cuts it off, and no line says the value was not saved. The disk is slow
# for the program alone: strace holds its fsync calls.
set -euo pipefail
PROGRAM="$(realpath "$1")"
source "$(dirname "$0")/lib/keystead.bash"

home=$(mktemp -d)
file=$(settings_file "$home")
XVFB_PID=""
cleanup() {
    kill -KILL "${PROGRAM_PID:-}" 2>/dev/null || true
    [ -z "$XVFB_PID" ] || { kill -KILL "$XVFB_PID"; wait "$XVFB_PID"; } 2>/dev/null || true
    rm -rf "$home"
}
trap cleanup EXIT

# Freezes the X server while the program's message thread waits on it: an open menu asks it for the
# pointer's place every few milliseconds, and the thread then waits for the answer, polling that one
# connection with no time limit (poll, or ppoll with no time given on x86-64 and arm64 alike),
# where an idle message loop polls several with one.
freeze_display_under_the_program() {
    local i call count timeout
    open_menu
    kill -STOP "$XVFB_PID"
    for i in $(seq 1 200); do
        read -r call _ count timeout _ <"/proc/$program/syscall" || true
        case "$call $count $timeout" in "7 0x1 0xffffffff" | "271 0x1 0x0" | "73 0x1 0x0") return 0 ;; esac
        sleep 0.05
    done
    fail "the program did not come to wait on the frozen X server: $(cat "/proc/$program/syscall")"
}

# fsync held (seconds), which ones (the first, or every one: the file's and its folder's), whether
# the X server is frozen at the quit, the value toggled to
while read -r delay which frozen value; do
    inject="fsync:delay_enter=${delay}000000"
    [ "$which" = every ] || inject+=":when=1"
    shared_display=$DISPLAY
    if [ "$frozen" = frozen ]; then
        own_xvfb "$home" 24
        export DISPLAY=$OWN_DISPLAY
    fi
    # Seccomp filtering stops the program only at the calls traced, so it runs at its own pace. The
    # address sanitizer's leak check cannot run under ptrace (the other program tests run it).
    start_program "$home" env ASAN_OPTIONS="${ASAN_OPTIONS:-}:detect_leaks=0" \
        strace -f -qq --seccomp-bpf -o /dev/null -e trace=fsync -e inject="$inject"
    program=$(pgrep -P "$PROGRAM_PID") || fail "no program under strace"
    open_filter_window
    toggle 80 60 "$value"
    [ "$frozen" != frozen ] || freeze_display_under_the_program
    kill -TERM "$program"
    what="SIGTERM, $which fsync held $delay s, X server ${frozen/#-/running}"
    # strace ends with the status of the program it ran.
    wait_for_end "$what"
    export DISPLAY=$shared_display
    [ -z "$XVFB_PID" ] || { kill -KILL "$XVFB_PID"; wait "$XVFB_PID"; } 2>/dev/null || true
    XVFB_PID=""
    [ "$STATUS" -eq 0 ] || fail "$what: the program ended with code $STATUS"
    [ "$(setting "$file" filter_midi_chanel)" = "$value" ] || fail "$what: the value was lost"
    ! ls "$(dirname "$file")" | grep -q '_temp' || fail "$what: a temporary file was left: $(ls "$(dirname "$file")")"
    if [ "$frozen" = frozen ]; then
        ! grep -i 'not saved\|without saving' "$PROGRAM_LOG" || fail "$what: a line says the settings were not saved"
    else
        ! grep '^Keystead:' "$PROGRAM_LOG" || fail "$what: the program had something to say"
    fi
done <<'ROWS'
7 first -      1
3 every -      0
7 first frozen 1
ROWS
echo "PASS"
