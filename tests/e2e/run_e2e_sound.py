#!/usr/bin/env python3
"""The desktop program's sound through a real sound server, end to end.

    run_e2e_sound.py --zorrit PATH --replay PATH --sounds DIR

Under Xvfb, against a private PulseAudio whose null sink's monitor is
recorded (sound_server.py), the real program plays a key script: the title's
cues, a start, strikes and wall taps, a pause, a game over. The keys are sent
between frames and the frames they reached written down, so the replay
tool's capture of that script is what the game mixed. Checked: every effect
in the recording against the capture, and the music between the effects;
minimised on the game-over screen the music stops, and comes back from where
it stopped; the server killed mid-game, the game keeps 50 frames a second
without spinning and quits with 0; with no server at all it plays, silent.
Exit status: 0 all passed, 1 a check failed, 77 a tool is missing (skipped).
"""
import argparse
import json
import os
import shutil
import subprocess
import sys
import tempfile
import time

sys.dont_write_bytecode = True  # nothing written beside the sources
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from e2e_support import check, missing_tool, summary, wait_for  # noqa: E402
from run_e2e import Display, XProgram  # noqa: E402
from sound_server import (RATE, FrameLog, KeyScript, PulseServer, Recorder, XKeys,  # noqa: E402
                          read_wave_u8, tools_missing)
try:
    import numpy
except ImportError:
    numpy = None

# The keys held from each frame on: space after the title's last cue; the
# head steered into the ball and the walls; Escape and F1 make a pause; then
# nobody steers until the game is over.
PLAN = [(215, "space"), (218,), (300, "Left"), (320,), (344, "Down"), (369,), (384, "Up"),
        (398,), (407, "Up", "Right"), (425,), (437, "Escape"), (440,), (467, "F1"), (470,)]

# The replay mixes in steps of a frame: frame F's effects start at sample
# due(F - 1) of its capture. The device mixes in blocks of its own, so each
# effect starts late by its own part of a block while the music runs on
# unbroken, and no one shift aligns a window where both sound. The recording
# is taken apart as the mixer put it together: each run of one music piece is
# followed a second at a time (which also gives the path's gain) and taken
# away; then each frame's effects (an event) are found at their own shift,
# with every other event placed at the shift found for it.


def due(frame):
    """Samples the replay has pulled by the end of `frame` (220.5 a frame)."""
    return (frame * 441 + 1) // 2


def ncc(a, b):
    a, b = a - a.mean(), b - b.mean()
    d = numpy.sqrt((a * a).sum() * (b * b).sum())
    return float((a * b).sum() / d) if d else 0.0


def best_shift(signal, reference, start, predicted, span):
    """(ncc, shift): the shift within predicted +- span at which
    signal[start + shift:] matches reference best."""
    best, n = (-2.0, predicted), len(reference)
    for shift in range(max(predicted - span, -start), predicted + span + 1):
        if start + shift + n > len(signal):
            break
        best = max(best, (ncc(signal[start + shift:start + shift + n], reference), shift),
                   key=lambda b: b[0])
    return best


def replay(args, work, script, frames):
    """The replay tool on a key script: (trace by frame, capture as signed floats)."""
    path = os.path.join(work, "keys")
    with open(path + ".input", "w") as f:
        f.write(script)
    subprocess.run([args.replay, "--input", path + ".input", "--frames", str(frames),
                    "--trace", path + ".trace", "--audio", path + ".wav"], check=True, timeout=60)
    trace = {d["frame"]: d for d in map(json.loads, open(path + ".trace"))}
    return trace, read_wave_u8(path + ".wav")


def music_runs(trace, last):
    """[[piece, first frame, frame after the last]]: the stretches in which one
    piece is current (frames without a trace line, paused, keep the state)."""
    runs, state = [], [0, 0]
    for frame in range(1, last + 1):
        now = trace[frame]["music"] if frame in trace else state
        if now != state:
            if state[0]:
                runs[-1][2] = frame
            if now[0]:
                runs.append([now[1], frame, last + 1])
            state = now
    return runs


class Events:
    """Each frame's effects as one event; an effect sounds from its start
    until a later event starts it again (its slot restarts)."""

    def __init__(self, trace, last, effects):
        self.events = [(f, trace[f]["effects"]) for f in sorted(trace)
                       if f <= last and trace[f]["effects"]]
        self.effects = effects
        self.starts = [due(f - 1) for f, _ in self.events]

    def restart(self, k, e):
        return next((j for j in range(k + 1, len(self.events)) if e in self.events[j][1]), None)

    def cut_short(self, k):
        """Whether a later event restarts one of event k's effects within two
        frames: event k is then heard inside that event's window."""
        return any(j is not None and self.starts[j] - self.starts[k] < min(len(self.effects[e]), 441)
                   for e, j in ((e, self.restart(k, e)) for e in self.events[k][1]))

    def sound(self, k, shifts):
        """Event k's samples; with shifts (one an event) a cut by a restart
        moves with the restarting event."""
        out = numpy.zeros(max(len(self.effects[e]) for e in self.events[k][1]))
        for e in self.events[k][1]:
            n, j = len(self.effects[e]), self.restart(k, e)
            if j is not None:
                cut = self.starts[j] - self.starts[k] + (shifts[j] - shifts[k] if shifts else 0)
                n = max(0, min(n, cut))
            out[:n] += self.effects[e][:n]
        return out

    def placed(self, length, shifts, leave_out):
        """Every event's sound but one, each at its shift."""
        total = numpy.zeros(length)
        for k in range(len(self.events)):
            s, a = self.sound(k, shifts), self.starts[k] + (shifts[k] if shifts else 0)
            lo, hi = max(0, a), min(length, a + len(s))
            if k != leave_out and lo < hi:
                total[lo:hi] += s[lo - a:hi - a]
        return total


def compare(args, work, log, keys, rec, moments):
    """The recording against the replay of the keys the game really saw."""
    presents = log.presents()
    last = sum(1 for p in presents if p <= moments["unmap"]) - 1
    trace, capture = replay(args, work, keys.replay_script(presents)[0], last)
    pieces = [read_wave_u8(os.path.join(args.sounds, "bgm%d.wav" % n)) for n in (1, 2)]
    ev = Events(trace, last, {e: read_wave_u8(os.path.join(args.sounds, "se%02d.wav" % (e - 10)))
                              for e in range(11, 23)})
    runs, track, position, run_starts = music_runs(trace, last), numpy.zeros(len(capture)), [0, 0], []
    for piece, first, after in runs:  # the replay's music: each piece resumes where it stopped
        a, b, n = due(first - 1), min(due(after - 1), len(capture)), len(pieces[piece])
        run_starts.append(position[piece])
        track[a:b] = pieces[piece][(position[piece] + numpy.arange(b - a)) % n]
        position[piece] = (position[piece] + b - a) % n
    replay_effects = capture - track
    check(numpy.abs(replay_effects - ev.placed(len(capture), None, None)).max() <= 1,
          "the replay's capture is its music and its effects, sample for sample")
    seen = {e for _, es in ev.events for e in es}
    check(seen >= {11, 14, 16, 17, 18, 19, 20, 21, 22}, "the script plays the title cues, a start, "
          "strikes, wall taps and a game over (effects %s)" % sorted(seen))

    # Where the recording stands against the frames: the first title cue,
    # found within 150 ms of where the recorder's clock puts it.
    signal, t0 = rec.samples(), rec.time_of_sample()
    f0, s0 = ev.events[0][0], ev.starts[0]
    guess = int(round((presents[f0 - 1] - t0) * RATE)) - s0
    _, shift0 = best_shift(signal, ev.sound(0, None)[:int(0.3 * RATE)], s0, guess, int(0.15 * RATE))

    def predicted(frame):
        real = presents[frame - 1] - presents[f0 - 1]
        return shift0 + int(round(real * RATE - (due(frame - 1) - s0)))

    # The music, each run found a second at a time (a late device block
    # shifts what follows), and the gain of the path (16-bit over 8-bit).
    music, gains, found = numpy.zeros(len(signal)), [], []
    for (piece, first, after), start_pos in zip(runs, run_starts):
        length = int((presents[min(after, len(presents)) - 1] - presents[first - 1]) * RATE)
        notes = pieces[piece][(start_pos + numpy.arange(length)) % len(pieces[piece])]
        base, shift, span, parts = due(first - 1), predicted(first), 600, []
        for a in range(0, length - RATE // 4, RATE):
            b = min(length, a + RATE)
            v, shift = best_shift(signal, notes[a:b], base + a, shift, span)
            span, begin = 300, base + a + shift
            if v < -1:
                continue  # not inside the recording
            gains.append((signal[begin:begin + b - a] * notes[a:b]).sum() / (notes[a:b] ** 2).sum())
            music[begin:begin + b - a] = notes[a:b]
            parts.append((begin, notes[a:b]))
        found.append((piece, parts))
    gain = float(numpy.median(gains))
    heard = signal / gain - music

    # The effects, event by event, each over at least 40 ms (a click is
    # compared with the quiet after it) and at most 300 ms.
    shifts, windows = [predicted(f) for f, _ in ev.events], {}
    for sweep in range(3):
        for k, (frame, _) in enumerate(ev.events):
            if ev.cut_short(k):
                continue
            start, n = ev.starts[k], min(max(len(ev.sound(k, None)), int(0.04 * RATE)), int(0.3 * RATE))
            reference = (replay_effects - ev.placed(len(capture), None, k))[start:start + n]
            target = heard - ev.placed(len(signal), shifts, k)
            v, shifts[k] = best_shift(target, reference, start, predicted(frame), int(0.06 * RATE))
            windows[k] = (v, target[start + shifts[k]:start + shifts[k] + n], reference)
    # Pooled over all windows, and every event there (a missing effect leaves
    # its window near 0; a device block lost to a stall lowers one a little).
    pooled = ncc(*(numpy.concatenate([w[i] for w in windows.values()]) for i in (1, 2)))
    worst = min(w[0] for w in windows.values())
    check(len(windows) >= 15 and pooled >= 0.9 and worst >= 0.5, "the effects match the replay: "
          "ncc %.3f over %d events (lowest %.3f)" % (pooled, len(windows), worst))

    # The music where no effect sounds, pooled: music that stops or jumps for
    # a second pulls it below the mark.
    busy = ev.placed(len(signal), shifts, None) != 0
    for piece, parts in found:
        pairs = [(signal[b:b + len(x)][~busy[b:b + len(x)]] / gain, x[~busy[b:b + len(x)]])
                 for b, x in parts]
        pairs = [p for p in pairs if len(p[1]) >= RATE // 10]
        v = ncc(*(numpy.concatenate(x) for x in zip(*pairs))) if pairs else 0.0
        check(v >= 0.9, "the %s music runs on between the effects: ncc %.3f over %d s"
              % (("play", "game-over")[piece], v, len(pairs)))

    # Minimised on the game-over screen: silence, then the music from where it stopped.
    if not check(any(piece == 1 for piece, _ in found), "the game-over music was found"):
        return
    delay = (shift0 - guess) / RATE
    unmap, remap = (int(round((moments[m] - t0 + delay) * RATE)) for m in ("unmap", "map"))
    block, span, piece = int(0.005 * RATE), int(0.4 * RATE), pieces[1]

    def level(a, b):
        x = signal[max(a, 0):b]
        return numpy.sqrt((x ** 2).mean()) / gain if len(x) else 0.0
    before = level(unmap - int(0.6 * RATE), unmap - int(0.1 * RATE))
    hush = (unmap + int(0.3 * RATE), remap - int(0.05 * RATE))
    check(hush[1] - hush[0] > RATE // 2 and level(*hush) < 0.02 * before,
          "minimising silences the music (level %.3f against %.2f before)" % (level(*hush), before))
    stop, resume = unmap - int(0.1 * RATE), hush[1]
    while stop < len(signal) and level(stop, stop + block) > 0.1 * before:
        stop += block
    while resume < len(signal) and level(resume, resume + block) < 0.1 * before:
        resume += block
    # Where the piece stood at the stop, from the 0.4 s before it; the 0.4 s
    # after the resumption must go on from there (a block lost at either edge
    # moves it by a few ms; a restart comes back from more than 0.2 s away).
    loop, length = numpy.concatenate([piece] * 3), len(piece)
    u, q = best_shift(loop, signal[stop - block - span:stop - block] / gain, 0, length // 2,
                      length // 2)
    stopped_at = (q + span + block) % length
    v, _ = best_shift(loop, signal[resume + block:resume + block + span] / gain,
                      length + stopped_at + block, 0, int(0.06 * RATE))
    check(min(u, v) >= 0.9 and 0.2 * RATE < stopped_at < length - 0.2 * RATE,
          "restoring the window resumes the music where it stopped (ncc %.3f and %.3f, stopped "
          "%.2f s into its loop)" % (u, v, stopped_at / RATE))


def cpu_seconds(pid):
    fields = open("/proc/%d/stat" % pid).read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")


def frame_rate(presents, start, end):
    """(frames a second, longest gap in s) between two monotonic times."""
    inside = [t for t in presents if start <= t <= end]
    if len(inside) < 2:
        return 0.0, end - start
    return (len(inside) - 1) / (inside[-1] - inside[0]), max(b - a for a, b in zip(inside, inside[1:]))


def quit_twice(p):
    p.key("Escape")
    time.sleep(0.3)
    p.key("Escape")
    return p.wait(10)


def sound_run(args, display, work, conf):
    # Minimised half a loop of the game-over music after the planned game over.
    trace, _ = replay(args, work, "".join("%d %s\n" % (f, " ".join(k.lower() for k in keys))
                                          for f, *keys in PLAN), 900)
    overs = [f for f in sorted(trace) if 16 in trace[f]["effects"]]
    if not check(overs, "the planned script ends in a game over"):
        return
    pulse = PulseServer()
    rec = keys = p = None
    try:
        rec = Recorder(pulse)
        if not check(wait_for(rec.started, 10), "the monitor of the null sink is recorded"):
            return
        frames = os.path.join(work, "presents")
        p = XProgram(args, display, {"PULSE_SERVER": pulse.server, "PULSE_CLIENTCONFIG": conf,
                                     "SDL_AUDIODRIVER": "pulseaudio", "ZORRIT_FRAME_LOG": frames})
        if not check(p.find_window() is not None, "sound run: the window appears"):
            return
        p.focus()
        log = FrameLog(frames)
        keys = KeyScript(XKeys(display.name), log)
        for frame, *names in PLAN:
            keys.hold(frame, *names)
        keys.at_frame(overs[0] + 50)
        moments = {"unmap": time.monotonic()}
        p.tool("xdotool", "windowunmap", "--sync", p.window)
        time.sleep(1.0)
        moments["map"] = time.monotonic()
        p.tool("xdotool", "windowmap", "--sync", p.window)
        p.focus()
        time.sleep(1.0)
        n = len(log.presents())
        keys.hold(n + 2, "space")
        keys.hold(n + 5)
        time.sleep(0.5)

        pulse.kill()  # in the middle of the game
        killed, cpu = time.monotonic(), cpu_seconds(p.process.pid)
        time.sleep(2.0)
        share = (cpu_seconds(p.process.pid) - cpu) / (time.monotonic() - killed)
        rate, gap = frame_rate(log.presents(), killed - 0.1, time.monotonic())
        check(p.process.poll() is None and 40 <= rate <= 60 and gap < 0.5 and share < 0.5,
              "server killed: the game goes on at %.1f frames a second (longest gap %.0f ms) "
              "taking %.0f %% of a core" % (rate, gap * 1000, share * 100))
        check(quit_twice(p) == 0, "server killed: Escape twice quits with status 0")
        rec.stop()
        compare(args, work, log, keys, rec, moments)
    finally:
        if keys:
            keys.keys.close()
        for helper in (p, rec, pulse):
            if helper:
                helper.stop()


def no_server_run(args, display, work, conf):
    """No daemon anywhere this client may look: the game runs silent."""
    frames = os.path.join(work, "presents-silent")
    p = XProgram(args, display, {"SDL_AUDIODRIVER": "pulseaudio", "ZORRIT_FRAME_LOG": frames,
                                 "PULSE_CLIENTCONFIG": conf, "PULSE_SERVER": None})
    keys = None
    try:
        if not check(p.find_window() is not None, "no sound server: the window appears"):
            return
        p.focus()
        log = FrameLog(frames)
        keys = KeyScript(XKeys(display.name), log)
        keys.hold(215, "space")
        keys.hold(218)
        presents = log.wait_for_frame(330, 10) or [0] * 221
        rate, gap = frame_rate(presents, presents[220], presents[-1])
        check(40 <= rate <= 60 and gap < 0.5, "no sound server: the game starts and plays "
              "(%.1f frames a second)" % rate)
        check(quit_twice(p) == 0, "no sound server: Escape twice quits with status 0")
    finally:
        if keys:
            keys.keys.close()
        p.stop()


def main():
    parser = argparse.ArgumentParser()
    for name in ("--zorrit", "--replay", "--sounds"):
        parser.add_argument(name, required=True)
    args = parser.parse_args()
    if missing_tool("Xvfb", "xdotool", "xwininfo", *tools_missing()):
        return 77
    if not numpy:
        print("skipped: python3-numpy is not installed")
        return 77
    work = tempfile.mkdtemp(prefix="zorrit-e2e-sound-")
    conf = os.path.join(work, "client.conf")  # never start a daemon of its own
    with open(conf, "w") as f:
        f.write("autospawn = no\n")
    display = Display()
    try:
        no_server_run(args, display, work, conf)
        sound_run(args, display, work, conf)
    finally:
        display.close()
        shutil.rmtree(work, ignore_errors=True)
    return summary("e2e sound")


if __name__ == "__main__":
    sys.exit(main())
