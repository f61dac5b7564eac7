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
    # A window that went (a closing menu) between the listing and its query is simply left out.
    return 0
}

# start_program HOME [LAUNCHER...]: starts the program with that home folder, through the launcher
# command if one is given (nohup, say); sets PROGRAM_PID, WINDOW, WIN_X, WIN_Y, WIN_W, WIN_H and
# STARTUP_MS (launch to the main window on screen). SIGINT is at its default, as for a program
# started from a terminal: a script's background job would otherwise ignore it.
start_program() {
    local home="$1" start now i screen_w screen_h off_x off_y
    start=$(date +%s%N)
    PROGRAM_LOG="$home/program.log"
    HOME="$home" env --default-signal=INT "${@:2}" "$PROGRAM" >"$PROGRAM_LOG" 2>&1 &
    PROGRAM_PID=$!
    WINDOW=""
    for i in $(seq 1 300); do
        WINDOW=$(xdotool search --onlyvisible --name '^Keystead$' 2>/dev/null | head -n 1 || true)
        [ -n "$WINDOW" ] && break
        kill -0 "$PROGRAM_PID" 2>/dev/null ||
            { i=0; wait "$PROGRAM_PID" || i=$?; fail "the program ended during start-up ($i)"; }
        sleep 0.05
    done
    [ -n "$WINDOW" ] || fail "no window titled Keystead appeared"
    now=$(date +%s%N)
    STARTUP_MS=$(( (now - start) / 1000000 ))
    # The window is mapped, then given its size and its place in the middle of the screen; on a
    # busy machine these come a while apart, and clicks need the final place.
    read -r screen_w screen_h <<<"$(xdotool getdisplaygeometry)"
    for i in $(seq 1 400); do
        eval "$(xdotool getwindowgeometry --shell "$WINDOW" | sed 's/^/WIN_/')"
        off_x=$((WIN_X - (screen_w - WIN_WIDTH) / 2)) off_y=$((WIN_Y - (screen_h - WIN_HEIGHT) / 2))
        [ "$WIN_WIDTH" -gt 128 ] && [ "${off_x#-}" -le 1 ] && [ "${off_y#-}" -le 1 ] && break
        sleep 0.05
    done
}

# The viewable windows (as viewable_windows prints them) whose ids are not in the list given.
new_windows() {
    viewable_windows | awk -v known="$1" '
        BEGIN { n = split(known, k, "\n"); for (i = 1; i <= n; i++) seen[k[i]] = 1 }
        !($1 in seen)'
}

# Opens the main window's menu with a click on "Menu" and sets MENU_X, MENU_Y, MENU_W, MENU_H
# to the pop-up's place on screen.
open_menu() {
    local before line="" attempt deadline
    before=$(viewable_windows | awk '{ print $1 }')
    # A pop-up menu closes at once unless one of the program's windows has the keyboard focus,
    # which no window manager hands out here: the window is given it, and clicked on the empty end
    # of its menu bar as a user's click on its title bar would, and "Menu" is clicked once the X
    # server says the window has it. A loaded machine (a sanitizer's build beside other work) can
    # take seconds to show the menu: a click counts as lost, and is given again as a user would,
    # only when no menu has shown long after it.
    for attempt in 1 2 3; do
        xdotool windowfocus "$WINDOW" 2>/dev/null || true
        xdotool mousemove $((WIN_X + WIN_WIDTH - 20)) $((WIN_Y + 12)) click 1
        deadline=$((SECONDS + 10))
        until [ "$(xdotool getwindowfocus 2>/dev/null)" = "$WINDOW" ] || [ $SECONDS -ge $deadline ]; do
            sleep 0.05
        done
        xdotool mousemove $((WIN_X + 20)) $((WIN_Y + 12)) click 1
        deadline=$((SECONDS + 30))
        while [ $SECONDS -lt $deadline ]; do
            line=$(new_windows "$before" | head -n 1)
            [ -n "$line" ] && break 2
            sleep 0.1
        done
    done
    [ -n "$line" ] || fail "the menu did not open"
    read -r _ MENU_X MENU_Y MENU_W MENU_H <<<"$line"
}

# Clicks a menu item at that many pixels below the menu's top, or above its bottom when negative
# ("Midi In Filter..." at 36, "Exit" at -12), as a user would.
choose_menu_item() {
    local y
    open_menu
    y=$1
    [ "$y" -ge 0 ] || y=$((MENU_H + y))
    # A menu ignores clicks in its first moments (the click that opened it must not pick an
    # item); a user's hand is slower than that.
    sleep 0.5
    xdotool mousemove $((MENU_X + 30)) $((MENU_Y + y))
    sleep 0.2
    xdotool click 1
}

# Waits for the program to end by itself; fails unless it does so with exit code 0.
expect_clean_exit() {
    local i code
    for i in $(seq 1 200); do
        kill -0 "$PROGRAM_PID" 2>/dev/null || break
        sleep 0.05
    done
    if kill -0 "$PROGRAM_PID" 2>/dev/null; then
        kill -KILL "$PROGRAM_PID"
        fail "the program did not end after $1"
    fi
    code=0
    wait "$PROGRAM_PID" || code=$?
    [ "$code" -eq 0 ] || fail "the program ended with code $code after $1"
}

# Clicks "Exit", the menu's last item, and waits for the program to end.
# A click that a loaded program lost is given again, as a user would.
quit_through_menu() {
    local attempt i
    for attempt in 1 2 3; do
        choose_menu_item -12
        for i in $(seq 1 80); do
            kill -0 "$PROGRAM_PID" 2>/dev/null || break 2
            sleep 0.05
        done
        # Once the window is gone the quit is under way and only has to end.
        xdotool search --onlyvisible --name '^Keystead$' >/dev/null 2>&1 || break
    done
    expect_clean_exit "Exit"
}

# Opens the MIDI-input filter window through the menu; sets FILTER_X and FILTER_Y to its place.
# A click on the item that a loaded program lost leaves the menu open: it is closed with Escape, as
# a user would, and the item chosen again (showing the window twice only shows it).
open_filter_window() {
    local before line="" i attempt
    before=$(viewable_windows | awk '{ print $1 }')
    for attempt in 1 2 3; do
        choose_menu_item 36
        for i in $(seq 1 150); do
            line=$(new_windows "$before" | awk '$4 == 400 && $5 == 250' | head -n 1)
            [ -n "$line" ] && break 2
            sleep 0.1
        done
        xdotool key Escape
        for i in $(seq 1 100); do
            [ -z "$(new_windows "$before")" ] && break
            sleep 0.1
        done
    done
    [ -n "$line" ] || fail "the filter window did not open"
    read -r id FILTER_X FILTER_Y _ _ <<<"$line"
    # The program asks the window manager to raise it; with none, the window opens beneath the
    # main window, where the window manager's raise is done by hand. A click meant for it reaches
    # it once it is drawn on top: its panel's own colour shows at its lower right corner.
    xdotool windowraise "$id"
    for i in $(seq 1 100); do
        import -window root -crop "1x1+$((FILTER_X + 395))+$((FILTER_Y + 245))" txt:- 2>/dev/null |
            grep -q 'srgb(50,62,68)' && return 0
        sleep 0.1
    done
    fail "the filter window was not drawn on top"
}

# own_xvfb FOLDER DEPTH: an X server of the test's own, on a display number it picks, its files in
# that folder; sets XVFB_PID and OWN_DISPLAY. Ends the one started before.
own_xvfb() {
    local i
    [ -z "${XVFB_PID:-}" ] || { kill -CONT "$XVFB_PID"; kill -TERM "$XVFB_PID"; wait "$XVFB_PID"; } 2>/dev/null || true
    exec 3>"$1/display"
    Xvfb -displayfd 3 -screen 0 "1280x1024x$2" -nolisten tcp >"$1/xvfb.log" 2>&1 &
    XVFB_PID=$!
    exec 3>&-
    for i in $(seq 1 100); do
        [ -s "$1/display" ] && xdpyinfo -display ":$(cat "$1/display")" >/dev/null 2>&1 && break
        sleep 0.1
    done
    OWN_DISPLAY=":$(cat "$1/display")"
    xdpyinfo -display "$OWN_DISPLAY" >/dev/null 2>&1 || fail "no own X server: $(cat "$1/xvfb.log")"
}

# Waits up to a generous bound for the program to end; sets STATUS, or fails with the reason.
wait_for_end() {
    local i
    for i in $(seq 1 600); do
        kill -0 "$PROGRAM_PID" 2>/dev/null || break
        sleep 0.05
    done
    kill -0 "$PROGRAM_PID" 2>/dev/null && { kill -KILL "$PROGRAM_PID"; fail "the program did not end after $1"; }
    STATUS=0
    wait "$PROGRAM_PID" || STATUS=$?
}

# Waits for the main window to be drawn (many colours, where an undrawn one shows one or two): the
# message loop draws it after its first message, so the start is over and a quit signal saves.
wait_drawn() {
    local i colours
    for i in $(seq 1 100); do
        colours=$(import -window root -crop "${WIN_WIDTH}x${WIN_HEIGHT}+$WIN_X+$WIN_Y" -format %k info:)
        [ "$colours" -gt 16 ] && return 0
        sleep 0.1
    done
    fail "the main window was not drawn"
}

# Whether the filter window's toggle centred at X Y is drawn ticked (1) or not (0): bright pixels
# inside its box (the pointer over it changes only the box's outline); "none" until the panel's
# own colour beside it shows the window drawn on top there.
ticked() {
    import -window root -crop "1x1+$((FILTER_X + $1 - 46))+$((FILTER_Y + $2))" txt:- |
        grep 'srgb(50,62,68)' >/dev/null || { echo none; return 0; }
    import -window root -crop "12x12+$((FILTER_X + $1 - 34))+$((FILTER_Y + $2 - 6))" png:- |
        convert - -colorspace gray -threshold 60% -format "%[fx:mean > 0.02]" info:
}

# toggle X Y VALUE: clicks that toggle until it is drawn with the new value (1 ticked, 0 not):
# a quit that came before the program took the click would save the old value, and a click on a
# window not yet drawn may be lost. A lost click is given again, as a user would.
toggle() {
    local attempt i
    # Drawn as it was first, so that the click goes to a window on screen.
    for i in $(seq 1 100); do [ "$(ticked "$1" "$2")" = $((1 - $3)) ] && break; sleep 0.1; done
    for attempt in 1 2 3; do
        xdotool mousemove $((FILTER_X + $1)) $((FILTER_Y + $2)) click 1
        for i in $(seq 1 50); do
            [ "$(ticked "$1" "$2")" = "$3" ] && return 0
            sleep 0.1
        done
    done
    fail "the toggle at $1,$2 was not drawn as $3"
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

# start_jack_server HOME NAME: a JACK server of the test's own on the dummy driver at 48000 Hz,
# so nothing else on the machine is touched; sets JACK_PID. The long client timeout keeps a
# loaded machine from dropping the program or the recorder. Synchronous mode (-S): each cycle
# waits until every client has processed it, so a client the machine runs late is not skipped
# for a cycle (a recorder skipped would lose 512 frames); the dummy driver only falls behind.
start_jack_server() {
    local i
    export JACK_DEFAULT_SERVER="$2"
    jackd -S -r -t 5000 -d dummy -r 48000 -p 512 >"$1/jackd.log" 2>&1 &
    JACK_PID=$!
    for i in $(seq 1 100); do
        jack_lsp >/dev/null 2>&1 && break
        kill -0 "$JACK_PID" 2>/dev/null || { cat "$1/jackd.log"; fail "jackd did not start"; }
        sleep 0.1
    done
}

# Ends the server start_jack_server started, whatever its state, without waiting on it: a server
# that was stopped while its client went takes minutes to end once resumed. It is killed as it is;
# a new server of the same name then takes over the entry it leaves in JACK's table of servers
# (eight for the whole machine, an entry freed only by a server of the same name) and, ended
# cleanly, frees it and its files.
end_jack_server() {
    local i
    [ -n "${JACK_PID:-}" ] || return 0
    { kill -KILL "$JACK_PID"; wait "$JACK_PID"; } 2>/dev/null || true
    jackd -r -d dummy -r 48000 -p 512 >/dev/null 2>&1 &
    JACK_PID=$!
    for i in $(seq 1 100); do
        jack_lsp >/dev/null 2>&1 && break
        kill -0 "$JACK_PID" 2>/dev/null || break
        sleep 0.1
    done
    { kill -TERM "$JACK_PID"; wait "$JACK_PID"; } 2>/dev/null || true
    # A client killed with the server leaves its semaphores, named after the server.
    rm -f /dev/shm/jack_sem.*_"${JACK_DEFAULT_SERVER}"_*
    JACK_PID=""
}

# How many of the program's two JACK output ports exist.
program_ports() { jack_lsp | grep -c '^JUCEJack:out_[12]$' || true; }

# The semaphore the JACK server keeps for the program's client while it holds that client. A client
# whose process is gone loses its ports first and keeps its name until the server has let it go;
# a program started meanwhile gets a client of another name ("JUCEJack-01").
program_client_semaphore() { echo "/dev/shm/jack_sem.$(id -u)_${JACK_DEFAULT_SERVER}_JUCEJack"; }

# The clients the server holds, by their semaphores (its own "system" and "freewheel" among them).
jack_clients() { ls /dev/shm | sed -n "s/^jack_sem\.$(id -u)_${JACK_DEFAULT_SERVER}_//p" | xargs; }

# Waits until the program has opened both its JACK output ports; fails after 30 s (a device is
# opened during start-up, which a loaded machine can stretch).
wait_for_program_ports() {
    local i
    for i in $(seq 1 300); do
        [ "$(program_ports)" -eq 2 ] && return
        sleep 0.1
    done
    fail "$1: $(timeout 20 jack_lsp | xargs); clients: $(jack_clients)"
}

# Waits until the JACK server has let go of the program's client, its ports and its name, and
# takes clients again; fails after 150 s. A quit closes the client, but one that gave up on a
# device close that took too long ends the process with the client still active: its ports go at
# once, its name a moment later, and a server in synchronous mode first waits out its client
# timeout for it, taking no new client for a minute or more.
wait_for_program_client_gone() {
    local deadline=$((SECONDS + 150)) ports
    while [ $SECONDS -lt $deadline ]; do
        if ports=$(timeout 20 jack_lsp 2>/dev/null) && ! grep -q '^JUCEJack:' <<<"$ports" \
            && [ ! -e "$(program_client_semaphore)" ]; then
            return
        fi
        sleep 0.1
    done
    fail "$1: $(timeout 20 jack_lsp | xargs); clients: $(jack_clients)"
}
