#!/usr/bin/env python3
"""Synthesise Keystead's feedback sounds as 16-bit 48 kHz WAV files.

Usage: make_sounds.py OUT_DIR [boo_samples good_samples click_samples]

Everything is built from oscillators and a seeded noise source, so running
this twice gives byte-identical output.  Only the standard library is used,
so a bare python3 is enough.  make_sounds.sh turns the WAVs into MP3s.

The optional sample counts let the shell script size each clip so that the
MP3 encoder emits a whole number of frames; the defaults match what it asks.
"""

import math
import random
import struct
import sys
import wave

RATE = 48000
TWO_PI = 2.0 * math.pi


def db_to_gain(db):
    return 10.0 ** (db / 20.0)


def smoothstep(x):
    x = min(max(x, 0.0), 1.0)
    return x * x * (3.0 - 2.0 * x)


def raised_cosine(x):
    """0 -> 1 over x in [0, 1] with zero slope at both ends (click-free fades)."""
    x = min(max(x, 0.0), 1.0)
    return 0.5 - 0.5 * math.cos(math.pi * x)


def normalise(channels, peak_db):
    peak = max(max(abs(v) for v in ch) for ch in channels)
    gain = db_to_gain(peak_db) / peak if peak > 0 else 1.0
    return [[v * gain for v in ch] for ch in channels]


def write_wav(path, channels):
    n = len(channels[0])
    frames = bytearray()
    for i in range(n):
        for ch in channels:
            v = int(round(ch[i] * 32767.0))
            frames += struct.pack('<h', max(-32768, min(32767, v)))
    with wave.open(path, 'wb') as w:
        w.setnchannels(len(channels))
        w.setsampwidth(2)
        w.setframerate(RATE)
        w.writeframes(bytes(frames))


# ---------------------------------------------------------------------------
# Wrong note: a low, slightly buzzy "bwaa-aah" that sags down five semitones.
# Two detuned, softened sawtooths beat against each other in the middle; each
# ear also gets a quieter third voice of its own, so the beating differs a
# little left to right without falling apart when summed to mono.
# ---------------------------------------------------------------------------
def make_boo(n):
    start_hz = 185.0          # F#3
    drop_semitones = 5.0      # ends near C#3
    # (detune factor, left gain, right gain) per voice, a few cents apart.
    voices = [(0.9955, 1.0, 1.0), (1.0045, 1.0, 1.0),
              (0.9915, 0.45, 0.0), (1.0085, 0.0, 0.45)]
    # Band-limit the harmonics well below Nyquist and roll them off above
    # ~1.4 kHz: enough buzz to read as "wrong", not enough to be harsh.
    max_harmonic_hz = 5000.0
    rolloff_hz = 1400.0

    t_len = n / RATE
    freq = []
    for i in range(n):
        t = i / RATE
        glide = smoothstep((t - 0.14) / 0.52)
        # A little vibrato that grows as the note sags, like a sad trombone.
        vib = 0.18 * smoothstep((t - 0.25) / 0.3) * math.sin(TWO_PI * 5.5 * t)
        freq.append(start_hz * 2.0 ** (-(drop_semitones * glide + vib) / 12.0))

    env = []
    for i in range(n):
        t = i / RATE
        a = raised_cosine(t / 0.035)                       # soft onset
        # The dip between "bwaa" and "aah".
        a *= 1.0 - 0.28 * math.exp(-((t - 0.30) / 0.06) ** 2)
        a *= 1.0 - 0.25 * smoothstep((t - 0.35) / 0.4)     # slow sag
        a *= 1.0 - raised_cosine((t - (t_len - 0.26)) / 0.26)  # fade out
        env.append(a)

    left = [0.0] * n
    right = [0.0] * n
    for detune, gl, gr in voices:
        phase = 0.0
        for i in range(n):
            f = freq[i] * detune
            s = 0.0
            k = 1
            while k * f < max_harmonic_hz:
                amp = 1.0 / (k * (1.0 + (k * f / rolloff_hz) ** 2))
                s += amp * math.sin(k * phase)
                k += 1
            s *= env[i]
            left[i] += s * gl
            right[i] += s * gr
            phase += TWO_PI * f / RATE
            if phase > TWO_PI:
                phase -= TWO_PI
    out = [left, right]
    return normalise(out, -3.0)


# ---------------------------------------------------------------------------
# Right note: C6-E6-G6 struck in quick succession, each a small bell made of
# a few inharmonic partials that die away exponentially (higher ones faster).
# The arpeggio walks from slightly left to slightly right.
# ---------------------------------------------------------------------------
def make_good(n):
    notes = [  # (frequency Hz, onset s, pan -1..1)
        (1046.50, 0.00, -0.35),
        (1318.51, 0.07, 0.00),
        (1567.98, 0.14, 0.35),
    ]
    partials = [  # (ratio, amplitude, decay time constant s)
        (1.000, 1.00, 0.26),
        (2.000, 0.30, 0.14),
        (2.756, 0.18, 0.09),
        (4.070, 0.07, 0.05),
    ]
    attack = 0.002
    t_len = n / RATE
    left = [0.0] * n
    right = [0.0] * n
    for f0, onset, pan in notes:
        # Equal-power pan keeps the centre note from jumping out.
        angle = (pan + 1.0) * math.pi / 4.0
        gl, gr = math.cos(angle), math.sin(angle)
        first = int(onset * RATE)
        for i in range(first, n):
            t = (i - first) / RATE
            s = 0.0
            for ratio, amp, tau in partials:
                s += amp * math.exp(-t / tau) * math.sin(TWO_PI * f0 * ratio * t)
            s *= raised_cosine(t / attack)
            left[i] += s * gl
            right[i] += s * gr
    # Make sure the tail reaches true silence before the clip ends.
    for i in range(n):
        g = 1.0 - raised_cosine((i / RATE - (t_len - 0.08)) / 0.08)
        left[i] *= g
        right[i] *= g
    return normalise([left, right], -3.0)


# ---------------------------------------------------------------------------
# Metronome tick: a 2.6 kHz burst with a touch of high-passed noise for bite.
# All of the energy sits in the first few milliseconds so the onset is
# unambiguous; the rest of the clip is digital silence.
# ---------------------------------------------------------------------------
def make_click(n):
    rng = random.Random(20240601)
    attack = 0.001
    tau = 0.0022          # ~10 ms to fall by 40 dB
    stop = 0.025          # hard end of the tick, well after it has died away
    out = [0.0] * n
    prev_in = 0.0
    prev_out = 0.0
    hp = 0.75             # one-pole high-pass: keep the noise bright
    for i in range(n):
        t = i / RATE
        if t >= stop:
            break
        white = rng.uniform(-1.0, 1.0)
        noise = hp * (prev_out + white - prev_in)
        prev_in, prev_out = white, noise
        s = (math.sin(TWO_PI * 2600.0 * t)
             + 0.25 * math.sin(TWO_PI * 5300.0 * t)
             + 0.20 * noise)
        env = raised_cosine(t / attack) * math.exp(-max(t - attack, 0.0) / tau)
        env *= 1.0 - raised_cosine((t - (stop - 0.005)) / 0.005)
        out[i] = s * env
    return normalise([out], -1.0)


def main():
    if len(sys.argv) not in (2, 5):
        sys.exit(__doc__)
    out_dir = sys.argv[1]
    sizes = [int(v) for v in sys.argv[2:]] or [44928, 39168, 17280]
    write_wav(f'{out_dir}/boo.wav', make_boo(sizes[0]))
    write_wav(f'{out_dir}/good.wav', make_good(sizes[1]))
    write_wav(f'{out_dir}/click.wav', make_click(sizes[2]))


if __name__ == '__main__':
    main()
