#!/usr/bin/env bash
# A first start with an empty home folder: once the reveal (about 2.5 s) is over, the window shows
# the editor's frames and the raised START button over the faded drawing, which is left light
# enough for text to stay readable. The last screenshot is kept as editor-revealed.png in the
# build folder for anyone to look at.
set -euo pipefail
PROGRAM="$(realpath "$1")"
source "$(dirname "$0")/lib/keystead.bash"

home=$(mktemp -d)
trap 'kill -KILL "${PROGRAM_PID:-}" 2>/dev/null || true; rm -rf "$home"' EXIT
# No JACK server goes by this name: no audio device is needed to see the editor.
export JACK_DEFAULT_SERVER="keystead-none-$$"

build_dir=$(dirname "$PROGRAM")
while [ ! -f "$build_dir/CMakeCache.txt" ] && [ "$build_dir" != / ]; do build_dir=$(dirname "$build_dir"); done
[ -f "$build_dir/CMakeCache.txt" ] || build_dir=$home
shot="$build_dir/editor-revealed.png"

# Luma (0..255) of the editor's pixels, given as "x,y" in editor coordinates, one a line; the
# editor lies below the window's menu bar.
editor_luma() {
    convert "$shot" -depth 8 rgb:- | python3 -c '
import sys
w, top, data = int(sys.argv[1]), int(sys.argv[2]), sys.stdin.buffer.read()
for p in sys.argv[3:]:
    x, y = map(int, p.split(","))
    i = ((y + top) * w + x) * 3
    print(round(0.299 * data[i] + 0.587 * data[i + 1] + 0.114 * data[i + 2]))
' "$WIN_WIDTH" $((WIN_HEIGHT - 564)) "$@"
}

# Pixels only a revealed editor has: the 5-pixel bands of the chord half's frame (left and top
# edges), the band of the volume frame, and the dark bottom wall and lighter right wall of the
# START button (at 33, 97, 100 x 24; its face is lifted by 3 pixels).
revealed_points="9,300 100,292 29,230 80,119 131,105"
# Pixels the reveal leaves light: just inside and outside the chord frame's band, where the faded
# drawing shows alone. They are darker while the drawing still fades out.
light_points="5,300 100,287"

start_program "$home"
[ "$WIN_HEIGHT" -gt 564 ] || fail "window is ${WIN_WIDTH} x ${WIN_HEIGHT}"

# shows WHAT: takes a screenshot and says whether the revealed editor's points are dark and the
# light ones light; sets LUMAS.
shows_revealed_editor() {
    import -window "$WINDOW" "$shot" 2>/dev/null || return 1
    LUMAS=$(editor_luma $revealed_points $light_points | xargs)
    read -r f1 f2 f3 wall1 wall2 l1 l2 <<<"$LUMAS"
    [ "$f1" -lt 170 ] && [ "$f2" -lt 170 ] && [ "$f3" -lt 170 ] && [ "$wall1" -lt 150 ] && [ "$wall2" -lt 200 ] \
        && [ "$l1" -gt 200 ] && [ "$l2" -gt 200 ]
}

# The frames and the START button come with the controls' step, waited for with a bound a loaded
# machine stays within; the rest of the reveal, about 1.5 s, only fades the drawing further, and
# the look stays for as long as it is watched after that.
LUMAS=""
for i in $(seq 1 240); do
    shows_revealed_editor && break
    sleep 0.25
done
shows_revealed_editor ||
    fail "no revealed editor over a light drawing on screen (lumas $LUMAS at $revealed_points $light_points)"
echo "revealed editor after about $(( i * 250 )) ms; lumas $LUMAS; screenshot $shot"
for i in $(seq 1 12); do
    sleep 0.25
    shows_revealed_editor || fail "the revealed editor did not stay: lumas $LUMAS"
done

kill -INT "$PROGRAM_PID"
expect_clean_exit "SIGINT"
echo "PASS"
