#!/usr/bin/env bash
# A settings file of many megabytes (200,000 keys) is not read: the window appears as quickly as
# on any start, with the default values, and the file stays as it is while the program runs.
# At quit it is kept as Keystead.settings.damaged and a good file takes its place.
set -euo pipefail
PROGRAM="$(realpath "$1")"
source "$(dirname "$0")/lib/keystead.bash"

home=$(mktemp -d)
trap 'kill -KILL "${PROGRAM_PID:-}" 2>/dev/null || true; rm -rf "$home"' EXIT
file=$(settings_file "$home")
mkdir -p "$(dirname "$file")"

python3 - "$file" <<'PY'
import sys
with open(sys.argv[1], "w") as f:
    f.write('<?xml version="1.0" encoding="UTF-8"?>\n<PROPERTIES>\n  <VALUE name="tempo" val="200"/>\n')
    for i in range(200000):
        f.write('  <VALUE name="key%d" val="%d"/>\n' % (i, i))
    f.write('</PROPERTIES>\n')
PY
cp "$file" "$home/original"

# Reading this file would take minutes; start_program gives up after 15 seconds.
start_program "$home"
echo "start with a $(stat -c %s "$file")-byte settings file: window after ${STARTUP_MS} ms"
cmp -s "$file" "$home/original" || fail "the file changed while the program ran"
quit_through_menu

cmp -s "$file.damaged" "$home/original" || fail "the damaged file was not kept"
[ "$(setting "$file" tempo)" = "120.0" ] || fail "tempo $(setting "$file" tempo)"
[ "$(setting_keys "$file" | wc -l)" -eq 16 ] || fail "the new file does not hold sixteen keys"
echo "PASS"
