#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Builds data/eye/s, the one wave file that holds every sound of the program.

The slots come from src/sound/clip_table.h, so the file and the player can never
disagree about where a clip lies. Sound effects are synthesised with sox; the
speech is Mandarin from espeak-ng (voice cmn), trimmed of its silence and fitted
into its slot with sox tempo, which shortens without cutting a syllable.

Usage: tools/speech/make_speech.py [--out data/eye/s] [--report report.txt]
Needs espeak-ng, sox and Python 3 (standard library only). The output is the
same on every run with the same tool versions.
"""

import argparse
import array
import math
import os
import re
import subprocess
import sys
import tempfile
import wave

RATE = 22050
TOTAL_MS = 14000
# Silence kept inside both ends of every slot. Three pairs of slots touch
# (2075, 10471, 12128); the margin keeps a neighbour out even if a player rounds
# milliseconds to frames differently from ours.
MARGIN_MS = 8
FADE_MS = 5
SPEECH_PEAK = 0.70
EFFECT_PEAK = 0.50

ROOT = os.path.normpath(os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", ".."))

# Spoken slots: text and espeak-ng words-per-minute. espeak's cmn voice speaks
# slowly (about 2.6 syllables a second at its default of 175), far too slowly for
# the longer prompts' slots, so those are synthesised faster and sox tempo only
# takes up the rest; the digits fit at the default speed.
SPEECH = {
    "ClipStartupPrompt": ("欢迎你来做题", 320, 6),
    "ClipSetDone": ("题目做完了", 320, 5),
    "ClipScoreLeadIn": ("你的得分是", 200, 5),
    "ClipDialogPrompt": ("选择运算，输入范围和题数", 320, 11),
    "ClipDigit1": ("一", 175, 1),
    "ClipDigit2": ("二", 175, 1),
    "ClipDigit3": ("三", 175, 1),
    "ClipDigit4": ("四", 175, 1),
    "ClipDigit5": ("五", 175, 1),
    "ClipDigit6": ("六", 175, 1),
    "ClipDigit7": ("七", 175, 1),
    "ClipDigit8": ("八", 175, 1),
    "ClipDigit9": ("九", 175, 1),
    "ClipTen": ("十", 175, 1),
    "ClipHundred": ("一百", 175, 2),
}
# Above this tempo factor, or this many syllables a second, the fitted speech is
# rejected as too hurried to follow.
MAX_TEMPO = 1.7
MAX_SYLLABLES_PER_S = 7.5


def read_clip_table():
    text = open(os.path.join(ROOT, "src", "sound", "clip_table.h"), encoding="utf-8").read()
    slots = {}
    for name, start, end in re.findall(r'\{"(\w+)",\s*(-?\d+),\s*(-?\d+)', text):
        slots[name] = (int(start), int(end))
    if len(slots) != 20:
        sys.exit(f"expected 20 clips in clip_table.h, found {len(slots)}")
    return slots


def frame_at(ms):
    # The player's rule: a position in milliseconds starts at the frame floor(ms * rate / 1000).
    return ms * RATE // 1000


def run(*cmd):
    if cmd[0] == "sox":
        # -R: sox seeds its noise (pluck, dither) the same way every run.
        cmd = ("sox", "-R") + cmd[1:]
    subprocess.run(cmd, check=True, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)


def read_wav(path):
    with wave.open(path, "rb") as w:
        if w.getnchannels() != 1 or w.getsampwidth() != 2 or w.getframerate() != RATE:
            sys.exit(f"{path}: expected mono 16-bit {RATE} Hz")
        data = array.array("h", w.readframes(w.getnframes()))
    if sys.byteorder == "big":
        data.byteswap()
    return [s / 32768.0 for s in data]


def sox_synth(tmp, seconds, *args):
    path = os.path.join(tmp, "synth.wav")
    run("sox", "-n", "-r", str(RATE), "-b", "16", "-c", "1", path, "synth", f"{seconds:.4f}", *args)
    return read_wav(path)


def trim(samples, threshold=0.02):
    """Drops the silence before the first and after the last sample above threshold x peak."""
    peak = max((abs(s) for s in samples), default=0.0)
    if peak == 0.0:
        return []
    loud = [i for i, s in enumerate(samples) if abs(s) > threshold * peak]
    return samples[loud[0] : loud[-1] + 1]


def fade(samples, ms=FADE_MS):
    n = min(len(samples) // 2, RATE * ms // 1000)
    out = list(samples)
    for i in range(n):
        g = 0.5 - 0.5 * math.cos(math.pi * i / n)
        out[i] *= g
        out[-1 - i] *= g
    return out


def normalise(samples, peak):
    top = max((abs(s) for s in samples), default=0.0)
    return [s * peak / top for s in samples] if top > 0 else samples


def mix_into(dest, src, at):
    for i, s in enumerate(src):
        dest[at + i] += s


def synth_speech(tmp, text, wpm):
    path = os.path.join(tmp, "say.wav")
    run("espeak-ng", "-v", "cmn", "-s", str(wpm), "-w", path, text)
    return trim(read_wav(path))


def fit(tmp, samples, room):
    """Shortens speech with sox tempo until it fits in room frames; never cuts it."""
    if len(samples) <= room:
        return samples, 1.0
    src = os.path.join(tmp, "fit_in.wav")
    dst = os.path.join(tmp, "fit_out.wav")
    write_wav(src, samples)
    factor = len(samples) / room
    for _ in range(20):
        run("sox", src, dst, "tempo", "-s", f"{factor:.4f}")
        out = trim(read_wav(dst))
        if len(out) <= room:
            return out, factor
        factor *= len(out) / room * 1.002
    sys.exit("tempo fitting did not converge")


def write_wav(path, samples):
    data = array.array("h", (max(-32768, min(32767, round(s * 32767))) for s in samples))
    if sys.byteorder == "big":
        data.byteswap()
    with wave.open(path, "wb") as w:
        w.setnchannels(1)
        w.setsampwidth(2)
        w.setframerate(RATE)
        w.writeframes(data.tobytes())


def notes(tmp, spec, length_s, gain=1.0):
    """A little tune: spec lists (start_s, duration_s, frequency, level)."""
    out = [0.0] * int(length_s * RATE)
    for start, dur, freq, level in spec:
        # A plucked string blended with a pure sine, dying away like a small bell.
        tone = sox_synth(tmp, dur, "pluck", f"{freq}")
        bell = sox_synth(tmp, dur, "sine", f"{freq}")
        n = len(tone)
        tau = dur / 3.0
        shaped = [
            (0.55 * bell[i] + 0.45 * tone[i]) * math.exp(-(i / RATE) / tau) * level * gain
            for i in range(n)
        ]
        mix_into(out, fade(shaped, 3), int(start * RATE))
    return out


def make_effects(tmp):
    c5, e5, g5, c6, e6, g6, c7 = 523.25, 659.26, 783.99, 1046.5, 1318.5, 1568.0, 2093.0
    startup = notes(tmp, [(0.00, 0.30, c5, 1.0), (0.16, 0.30, e5, 1.0), (0.32, 0.30, g5, 1.0),
                          (0.48, 0.46, c6, 1.0)], 0.95)
    new_set = notes(tmp, [(0.00, 0.10, g5, 1.0), (0.06, 0.10, c6, 1.0)], 0.16)
    sparkle = notes(tmp, [(0.00, 0.16, c6, 0.8), (0.07, 0.16, e6, 0.8), (0.14, 0.16, g6, 0.8),
                          (0.21, 0.25, c7, 0.7), (0.30, 0.18, g6, 0.4)], 0.48)
    # A soft wooden click: a short, quickly dying low tone, not a harsh tick.
    click = notes(tmp, [(0.00, 0.05, 880.0, 1.0), (0.00, 0.05, 440.0, 0.6)], 0.06)
    cancel = notes(tmp, [(0.00, 0.13, e5, 0.8), (0.11, 0.14, c5, 0.8)], 0.25)
    return {
        "ClipStartup": startup,
        "ClipNewSet": new_set,
        "ClipAbout": sparkle,
        "ClipClick": click,
        "ClipCancel": cancel,
    }


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--out", default=os.path.join(ROOT, "data", "eye", "s"))
    parser.add_argument("--report", default=None)
    args = parser.parse_args()

    slots = read_clip_table()
    total = [0.0] * frame_at(TOTAL_MS)
    margin = RATE * MARGIN_MS // 1000
    report = [f"{'clip':18} {'slot ms':>8} {'spoken ms':>9} {'fitted ms':>9} {'tempo':>6} "
              f"{'x175wpm':>7} {'syll/s':>6} {'even':>5}  text"]
    with tempfile.TemporaryDirectory() as tmp:
        sounds = make_effects(tmp)
        for name, (text, wpm, syllables) in SPEECH.items():
            raw = synth_speech(tmp, text, wpm)
            start, end = slots[name]
            room = frame_at(end) - frame_at(start) - 2 * margin
            fitted, factor = fit(tmp, raw, room)
            rate = syllables / (len(fitted) / RATE)
            # How much faster than espeak's own default pace the words end up.
            overall = wpm / 175 * len(raw) / len(fitted) if wpm else 1.0
            # Tempo shortens every part alike; a fitted length far from raw/factor
            # would mean something was dropped rather than sped up.
            even = len(fitted) * factor / len(raw)
            report.append(f"{name:18} {end - start:8d} {1000 * len(raw) / RATE:9.0f} "
                          f"{1000 * len(fitted) / RATE:9.0f} {factor:6.2f} {overall:7.2f} {rate:6.1f} "
                          f"{even:5.2f}  {text}")
            if factor > MAX_TEMPO or rate > MAX_SYLLABLES_PER_S or abs(even - 1) > 0.05:
                sys.exit(f"{name}: fitted speech too hurried\n" + "\n".join(report))
            sounds[name] = normalise(fitted, SPEECH_PEAK)

    for name, (start, end) in slots.items():
        sound = sounds[name]
        if name in ("ClipStartup", "ClipNewSet", "ClipAbout", "ClipClick", "ClipCancel"):
            sound = normalise(sound, EFFECT_PEAK)
        sound = fade(sound)
        room = frame_at(end) - frame_at(start) - 2 * margin
        if len(sound) > room:
            sys.exit(f"{name}: {len(sound)} frames do not fit in {room}")
        mix_into(total, sound, frame_at(start) + margin)

    os.makedirs(os.path.dirname(args.out), exist_ok=True)
    write_wav(args.out, total)
    text = "\n".join(report)
    print(text)
    if args.report:
        with open(args.report, "w", encoding="utf-8") as f:
            f.write(text + "\n")


if __name__ == "__main__":
    main()
