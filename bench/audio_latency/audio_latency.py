#!/usr/bin/env python3
"""Audio latency of the real program through a real sound server: from the
key press that starts an effect to the effect's onset in the recording.

    audio_latency.py --zorrit PATH --replay PATH --sounds DIR [--presses 6]

Runs the program on a private Xvfb display against a private PulseAudio with
a null sink (tests/e2e/sound_server.py), records the sink's monitor, and
presses space on the completed title screen several times (Escape and F2 go
back to the title in between). Space starts the wipe, and the frame that ends
it plays the start effect: the replay tool, given the same keys, says which
frame that is. For each press it prints:

- total: key press (when the X server had it) -> onset of the effect in the
  recording (when the recorder could first have had the sample);
- game: key press -> the start of the frame that plays the effect (the rest
  of the frame the key arrived in, then the wipe's frames), read from the
  program's frame log: the game logic's own share;
- sound: total - game, the part of the sound path: the wait for the device's
  next block, the blocks queued in the server, the sink's block.

The sink's configured latency (a real card adds about that much after the
monitor) and the stream's buffer latency as PulseAudio reports them are
printed too. Goal: sound < 50 ms. It measures; it never fails a build.
"""
import argparse
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

sys.dont_write_bytecode = True  # nothing written beside the sources
HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "..", "tests", "e2e"))
from e2e_support import wait_for  # noqa: E402
from run_e2e import Display, XProgram  # noqa: E402
from sound_server import (RATE, KeyScript, PulseServer, Recorder,  # noqa: E402
                          read_wave_u8)

START_EFFECT = 17
TITLE_DONE = 215      # title frames before space is taken (the last cue is at 201)
ROUND = 340           # frames from one press to the next


def sink_latency_ms(pulse):
    """The null sink's configured latency, from pactl (None if unknown)."""
    r = subprocess.run(["pactl", "--server", pulse.server, "list", "sinks"], env=pulse.env,
                       capture_output=True, text=True, timeout=10)
    for line in r.stdout.splitlines():
        line = line.strip()
        if line.startswith("Latency:") and "configured" in line:
            return int(line.split("configured")[1].split()[0]) / 1000.0
    return None


def time_of(rec, n):
    """When sample n reached the recorder (monotonic seconds), the sound
    server's clock taken as it is: the lower edge of (arrival - samples /
    RATE) is followed a second at a time and a line is fitted through it
    (the server's second differs from this process's by a few hundred
    parts per million, which over a minute is several milliseconds)."""
    edges, start, low = [], None, None
    for count, t in rec.arrivals:
        offset = t - count / RATE
        if start is None or count - start >= RATE:
            if low is not None:
                edges.append(low)
            start, low = count, (count, offset)
        elif offset < low[1]:
            low = (count, offset)
    if low is not None:
        edges.append(low)
    if len(edges) < 3:
        return rec.time_of_sample() + n / RATE
    mean_n = sum(c for c, _ in edges) / len(edges)
    mean_o = sum(o for _, o in edges) / len(edges)
    slope = (sum((c - mean_n) * (o - mean_o) for c, o in edges) /
             sum((c - mean_n) ** 2 for c, _ in edges))
    # The line through the lowest points: shift it down to touch them.
    base = min(o - slope * c for c, o in edges)
    return base + slope * n + n / RATE


def onset(signal, template, around, span):
    """Where the template begins in the signal, near `around` (normalised
    cross-correlation, best of +-span samples)."""
    import numpy
    t = template - template.mean()
    best, where = -2.0, around
    for s in range(max(0, around - span), around + span):
        part = signal[s:s + len(t)]
        if len(part) < len(t):
            break
        part = part - part.mean()
        d = numpy.sqrt((part * part).sum() * (t * t).sum())
        v = (part * t).sum() / d if d else 0.0
        if v > best:
            best, where = v, s
    return where, best


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--zorrit", required=True)
    parser.add_argument("--replay", required=True)
    parser.add_argument("--sounds", required=True)
    parser.add_argument("--presses", type=int, default=6)
    args = parser.parse_args()
    missing = [t for t in ("pulseaudio", "parec", "pactl", "Xvfb", "xdotool") if not shutil.which(t)]
    if missing:
        print("needs: %s" % " ".join(missing))
        return 1
    work = tempfile.mkdtemp(prefix="zorrit-latency-")
    display = Display()
    pulse = PulseServer()
    rec = p = None
    try:
        rec = Recorder(pulse)
        wait_for(lambda: len(rec.data) > RATE // 5, 10)
        frames = os.path.join(work, "presents")
        conf = os.path.join(work, "client.conf")
        with open(conf, "w") as f:
            f.write("autospawn = no\n")
        p = XProgram(args, display, dict(PULSE_SERVER=pulse.server, SDL_AUDIODRIVER="pulseaudio",
                                         ZORRIT_FRAME_LOG=frames, PULSE_CLIENTCONFIG=conf))
        if not p.find_window():
            print("the window did not appear")
            return 1
        p.focus()
        keys = KeyScript(display, frames)
        presses = []
        base = TITLE_DONE
        try:
            for _ in range(args.presses):
                keys.hold(base, "space")
                presses.append(keys.changes[-1][1])
                keys.hold(base + 3)
                keys.hold(base + 90, "Escape")
                keys.hold(base + 93)
                keys.hold(base + 100, "F2")
                keys.hold(base + 103)
                base += ROUND
            keys.wait_for_frame(base - ROUND + 140, 30)
        except RuntimeError as e:
            print("%s: program status %s, %d frames, stderr %r" %
                  (e, p.process.poll(), len(keys.presents()), p.stderr()[-300:]))
            return 1
        streams = subprocess.run(["pactl", "--server", pulse.server, "list", "sink-inputs"],
                                 env=pulse.env, capture_output=True, text=True).stdout
        sink_ms = sink_latency_ms(pulse)
        p.key("Escape")
        time.sleep(0.3)
        p.key("Escape")
        p.wait(10)
        rec.stop()

        presents = keys.presents()
        script = keys.replay_script(presents)
        # How close a key change came to the moment a frame's wait pumps it
        # (a change across one is written down for the wrong frame).
        slack = min(presents[sum(1 for p in presents if p <= before)] - after
                    for before, after, _ in keys.changes)
        script_path = os.path.join(work, "keys.input")
        with open(script_path, "w") as f:
            f.write(script)
        trace_path = os.path.join(work, "keys.trace")
        subprocess.run([args.replay, "--input", script_path, "--trace", trace_path], check=True)
        import json
        starts = [json.loads(line)["frame"] for line in open(trace_path)
                  if START_EFFECT in json.loads(line)["effects"]]
        template = read_wave_u8(os.path.join(args.sounds, "se%02d.wav" % (START_EFFECT - 10)))
        template = template[:int(0.1 * RATE)]
        signal = rec.samples()

        print("device: %s" % ", ".join(l.strip() for l in streams.splitlines()
                                        if l.strip().startswith(("Sample", "Latency"))))
        print("null sink's configured latency: %s ms" % sink_ms)
        print("%5s %9s %9s %9s %6s" % ("frame", "total ms", "game ms", "sound ms", "ncc"))
        sounds = []
        for t_key, frame in zip(presses, starts):
            frame_start = presents[frame - 1]
            guess = int(round((frame_start - time_of(rec, 0)) * RATE))
            where, v = onset(signal, template, guess, int(0.15 * RATE))
            heard = time_of(rec, where)
            total, game = heard - t_key, frame_start - t_key
            sounds.append(total - game)
            print("%5d %9.1f %9.1f %9.1f %6.3f" % (frame, total * 1000, game * 1000,
                                                   (total - game) * 1000, v))
        if sounds:
            print("sound path: mean %.1f ms, median %.1f, max %.1f over %d presses (goal < 50 ms)" %
                  (statistics.mean(sounds) * 1000, statistics.median(sounds) * 1000,
                   max(sounds) * 1000, len(sounds)))
        print("keys reached the game %.1f ms or more before a frame's last pump" % (slack * 1000))
        return 0
    finally:
        if p:
            p.stop()
        if rec:
            rec.stop()
        pulse.stop()
        display.close()
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
