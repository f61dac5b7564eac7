#!/usr/bin/env bash
# Regenerates Keystead's feedback sounds (boo.mp3, good.mp3, click.mp3) from
# scratch: make_sounds.py synthesises WAVs, lame turns them into 48 kHz MP3s.
# Output always lands next to this script, whatever the working directory.
# The result is deterministic: same tools, same bytes.
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"

need=()
command -v lame >/dev/null || need+=(lame)
command -v sox >/dev/null || need+=(sox)
command -v python3 >/dev/null || need+=(python3)
if ((${#need[@]})); then
    echo "Installing ${need[*]}..." >&2
    apt-get update -qq
    DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "${need[@]}"
fi

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

# lame puts 576 samples of delay in front and always needs at least one more
# frame for the tail, so N input samples come out as ceil(N/1152) + 1 audio
# frames.  Feeding exactly (frames - 1) * 1152 samples gives clips whose
# length is a whole number of frames even for decoders that ignore the
# gapless info in the Info header.
FRAME=1152
BOO_FRAMES=40     # 0.960 s
GOOD_FRAMES=35    # 0.840 s
CLICK_FRAMES=16   # 0.384 s

python3 "$here/make_sounds.py" "$work" \
    $(( (BOO_FRAMES - 1) * FRAME )) \
    $(( (GOOD_FRAMES - 1) * FRAME )) \
    $(( (CLICK_FRAMES - 1) * FRAME ))

# Counts MPEG audio frames after the ID3v2 tag, leaving out the Info frame.
count_frames() {
    python3 - "$1" <<'EOF'
import sys
data = open(sys.argv[1], 'rb').read()
pos = 0
if data[:3] == b'ID3':
    pos = 10 + (data[6] << 21 | data[7] << 14 | data[8] << 7 | data[9])
kbps = [0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 0]
rates = [44100, 48000, 32000, 0]
frames = info = 0
while pos + 4 <= len(data):
    h = int.from_bytes(data[pos:pos + 4], 'big')
    # MPEG-1 Layer III sync; anything else here (e.g. an ID3v1 tag) ends it.
    if (h >> 21) != 0x7ff or (h >> 17) & 0xf != 0xd:
        break
    size = 144000 * kbps[(h >> 12) & 0xf] // rates[(h >> 10) & 3] + ((h >> 9) & 1)
    if frames == 0 and not info and (b'Info' in data[pos:pos + 64] or b'Xing' in data[pos:pos + 64]):
        info = 1
    else:
        frames += 1
    pos += size
if not info:
    sys.exit(f'{sys.argv[1]}: no Info/Xing frame')
print(frames)
EOF
}

# Peak of a WAV in dBFS.
peak_db() {
    sox "$1" -n stats 2>&1 | awk '/^Pk lev dB/ { print $4 }'
}

# encode NAME TITLE KBPS MODE PEAK_DB FRAMES
# The encoder's filtering moves the peak (transients overshoot) and the exact
# sample peak jitters by a few tenths of a dB with every change of gain, so
# measure the decoded result, rescale a few times and keep the closest.  The
# first try runs at -6 dB so an overshoot can't clip and hide the true peak.
encode() {
    local name=$1 title=$2 kbps=$3 mode=$4 target=$5 frames=$6
    local wav="$work/$name.wav" out="$here/$name.mp3"
    local opts=(--quiet --cbr -b "$kbps" --resample 48 -m "$mode" --noreplaygain
                --add-id3v2 --id3v2-only --tt "$title" --ta "Keystead"
                --tc "Synthesised by make_sounds.sh")

    local scale=0.5 best_scale="" best_err=99 measured err try
    for try in 1 2 3 4; do
        lame "${opts[@]}" --scale "$scale" "$wav" "$work/try.mp3"
        lame --quiet --decode "$work/try.mp3" "$work/try.wav"
        measured=$(peak_db "$work/try.wav")
        err=$(python3 -c "print(abs($target - ($measured)))")
        if python3 -c "import sys; sys.exit(not $err < $best_err)"; then
            best_err=$err best_scale=$scale
        fi
        scale=$(python3 -c "print(f'{$scale * 10 ** (($target - ($measured)) / 20):.4f}')")
    done
    scale=$best_scale
    lame "${opts[@]}" --scale "$scale" "$wav" "$out"
    lame --quiet --decode "$out" "$work/check.wav"
    measured=$(peak_db "$work/check.wav")

    local got
    got=$(count_frames "$out")
    if [[ $got != "$frames" ]]; then
        echo "$name.mp3: expected $frames audio frames, got $got" >&2
        exit 1
    fi
    printf '%-10s %2s frames  %6s bytes  peak %6s dBFS  (scale %s)\n' \
        "$name.mp3" "$got" "$(stat -c %s "$out")" "$measured" "$scale"
}

encode boo   "Boo"   128 j -3 "$BOO_FRAMES"
encode good  "Good"  128 j -3 "$GOOD_FRAMES"
encode click "Click" 64  m -1 "$CLICK_FRAMES"
