# Helpers for the whole-program tests: start the built program under the X server the test
# command provides, find its window, use its menu with the mouse as a user would, and read the
# settings file it writes.

# On failure the started program's own output is shown too: a sanitizer's report lands there.
fail() {
    echo "FAIL: $*" >&2
    [ -s "${PROGRAM_LOG:-}" ] && { echo "--- program output:" >&2; tail -n 200 "$PROGRAM_LOG" >&2; }
    exit 1
}

# The program's settings file under a home folder.
settings_file() { echo "$1/.Keystead/Keystead.settings"; }

# Top-level windows the X server shows, one "id x y width height" a line.
viewable_windows() {
    local id
    for id in $(xwininfo -root -children | grep -o '^ *0x[0-9a-f]*'); do
        timeout 5 xwininfo -id "$id" 2>/dev/null | awk -v id="$id" '
            /Absolute upper-left X/ { x = $NF } /Absolute upper-left Y/ { y = $NF }
            /Width:/ { w = $NF } /Height:/ { h = $NF } /Map State: IsViewable/ { v = 1 }
            END { if (v) print id, x, y, w, h }'
    done
}

# start_program HOME: starts the program with that home folder; sets PROGRAM_PID, WINDOW,
# WIN_X, WIN_Y, WIN_W, WIN_H and STARTUP_MS (launch to the main window on screen).
start_program() {
    local home="$1" start now i
    start=$(date +%s%N)
    PROGRAM_LOG="$home/program.log"
    HOME="$home" "$PROGRAM" >"$PROGRAM_LOG" 2>&1 &
    PROGRAM_PID=$!
    WINDOW=""
    for i in $(seq 1 300); do
        WINDOW=$(xdotool search --onlyvisible --name '^Keystead$' 2>/dev/null | head -n 1 || true)
        [ -n "$WINDOW" ] && break
        kill -0 "$PROGRAM_PID" 2>/dev/null || fail "the program ended during start-up"
        sleep 0.05
    done
    [ -n "$WINDOW" ] || fail "no window titled Keystead appeared"
    now=$(date +%s%N)
    STARTUP_MS=$(( (now - start) / 1000000 ))
    eval "$(xdotool getwindowgeometry --shell "$WINDOW" | sed 's/^/WIN_/')"
}

# Resident memory of the running program in kB.
resident_kb() { awk '/^VmRSS/ { print $2 }' "/proc/$PROGRAM_PID/status"; }

# Opens the main window's menu with a click on "Menu" and sets MENU_X, MENU_Y, MENU_W, MENU_H
# to the pop-up's place on screen.
open_menu() {
    local before line i
    before=$(viewable_windows | awk '{ print $1 }')
    sleep 0.3
    xdotool mousemove $((WIN_X + 20)) $((WIN_Y + 12)) click 1
    for i in $(seq 1 100); do
        line=$(viewable_windows | awk -v known="$before" 'BEGIN { n = split(known, k, "\n"); for (i = 1; i <= n; i++) seen[k[i]] = 1 } !($1 in seen)' | head -n 1)
        [ -n "$line" ] && break
        sleep 0.05
    done
    [ -n "$line" ] || fail "the menu did not open"
    read -r _ MENU_X MENU_Y MENU_W MENU_H <<<"$line"
}

# Clicks "Exit", the menu's last item, and waits for the program to end; fails unless it
# ends by itself with exit code 0.
quit_through_menu() {
    local i code
    open_menu
    # A menu ignores clicks in its first moments (the click that opened it must not pick an
    # item); a user's hand is slower than that.
    sleep 0.5
    xdotool mousemove $((MENU_X + 30)) $((MENU_Y + MENU_H - 12))
    sleep 0.2
    xdotool click 1
    for i in $(seq 1 200); do
        kill -0 "$PROGRAM_PID" 2>/dev/null || break
        sleep 0.05
    done
    if kill -0 "$PROGRAM_PID" 2>/dev/null; then
        kill -KILL "$PROGRAM_PID"
        fail "the program did not end after Exit"
    fi
    code=0
    wait "$PROGRAM_PID" || code=$?
    [ "$code" -eq 0 ] || fail "the program ended with code $code"
}

# The value of one key in a settings file (the "val" attribute, or the one-line child element).
setting() {
    python3 - "$1" "$2" <<'PY'
import sys, xml.etree.ElementTree as ET
for v in ET.parse(sys.argv[1]).getroot().iter("VALUE"):
    if v.get("name") == sys.argv[2]:
        children = list(v)
        print(ET.tostring(children[0], encoding="unicode").strip() if children else v.get("val", ""))
        sys.exit(0)
sys.exit(1)
PY
}

# The keys of a settings file, in file order, one a line.
setting_keys() {
    python3 - "$1" <<'PY'
import sys, xml.etree.ElementTree as ET
for v in ET.parse(sys.argv[1]).getroot().findall("VALUE"):
    print(v.get("name"))
PY
}
