#!/usr/bin/env python3
"""The desktop program's sound through a real sound server, end to end:
    run_e2e_sound.py --zorrit PATH --replay PATH --sounds DIR
Under Xvfb, against a private PulseAudio whose null sink's monitor is
recorded (sound_server.py), the program plays a key script; the replay tool's
capture of the keys as the game saw them is what it mixed. Checked: the
recording's effects and music against the capture; minimised, the music
stops and comes back from where it stopped; the server killed, the game plays
on without spinning and quits with 0; with no server at all it plays, silent.
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
from sound_server import RATE, KeyScript, PulseServer, Recorder, read_wave_u8  # noqa: E402
try:
    import numpy
except ImportError:
    numpy = None

# The keys held from each frame on: space after the title's cues, the head steered into the
# ball and the walls, Escape and F1 a pause; then nobody steers until the game is over.
PLAN = [(215, "space"), (218,), (300, "Left"), (320,), (344, "Down"), (369,), (384, "Up"),
        (398,), (407, "Up", "Right"), (425,), (437, "Escape"), (440,), (467, "F1"), (470,)]

# The replay mixes a frame at a time (frame F's effects start at its sample due(F - 1)); the
# device in blocks, so each effect starts late by its own part of a block while the music
# runs on. The recording is taken apart as the mixer made it: the music followed a second at
# a time and taken away, each frame's effects found at their own shift, the others placed.


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
    return {d["frame"]: d for d in map(json.loads, open(path + ".trace"))}, read_wave_u8(path + ".wav")


def compare(args, work, keys, rec, moments):
    """The recording against the replay of the keys the game really saw."""
    presents = keys.presents()
    last = sum(1 for p in presents if p <= moments["unmap"]) - 1
    trace, capture = replay(args, work, keys.replay_script(presents), last)
    pieces = [read_wave_u8(os.path.join(args.sounds, "bgm%d.wav" % n)) for n in (1, 2)]
    effects = {e: read_wave_u8(os.path.join(args.sounds, "se%02d.wav" % (e - 10))) for e in range(11, 23)}
    # Each frame's effects are an event; an effect sounds until a later event
    # starts it again (its slot restarts: within two frames, it is heard in
    # that event's window and not judged in its own).
    events = [(f, trace[f]["effects"]) for f in sorted(trace) if f <= last and trace[f]["effects"]]
    starts, sounds, cut_short = [due(f - 1) for f, _ in events], [], []
    for k, (_, es) in enumerate(events):
        sounds.append(numpy.zeros(max(len(effects[e]) for e in es)))
        cut_short.append(False)
        for e in es:
            n, j = len(effects[e]), next((j for j in range(k + 1, len(events)) if e in events[j][1]), 0)
            if j:
                cut_short[k] |= starts[j] - starts[k] < min(n, 441)
                n = min(n, starts[j] - starts[k])
            sounds[k][:n] += effects[e][:n]

    def placed(length, shifts, leave_out=None):
        """Every event's sound but one, each at its shift."""
        total = numpy.zeros(length)
        for k, s in enumerate(sounds):
            a = starts[k] + shifts[k]
            lo, hi = max(0, a), min(length, a + len(s))
            if k != leave_out and lo < hi:
                total[lo:hi] += s[lo - a:hi - a]
        return total

    # The runs of one piece (frames without a trace line, paused, keep the
    # state), and the replay's music: a piece resumes where it stopped.
    runs, state, track, position = [], [0, 0], numpy.zeros(len(capture)), [0, 0]
    for frame in range(1, last + 2):
        now = trace[frame]["music"] if frame in trace and frame <= last else state
        if now != state or frame == last + 1:
            if state[0] and runs:
                piece, first, where = runs[-1]
                a, b, n = due(first - 1), min(due(frame - 1), len(capture)), len(pieces[piece])
                track[a:b] = pieces[piece][(where + numpy.arange(b - a)) % n]
                position[piece] = (where + b - a) % n
                runs[-1].append(frame)
            if now[0] and frame <= last:
                runs.append([now[1], frame, position[now[1]]])
            state = now
    replay_effects, seen, zeros = capture - track, {e for _, es in events for e in es}, [0] * len(events)
    check(seen >= {11, 14, 16, 17, 18, 19, 20, 21, 22} and numpy.abs(
        replay_effects - placed(len(capture), zeros)).max() <= 1,
          "the replay plays title cues, a start, strikes, wall taps and a game over (%s), and its "
          "capture is their sound and the music's, sample for sample" % sorted(seen))

    # A recorder starved for 50 ms says the machine is too busy for the figures to mean much.
    starved = sum(1 for (_, a), (_, b) in zip(rec.arrivals, rec.arrivals[1:]) if b - a > 0.05)
    judge = check if starved <= 4 else lambda ok, what: print("not judged (recorder starved %d "
                                                              "times): %s" % (starved, what))

    # Where the recording stands: the first title cue, within 150 ms of the recorder's clock.
    signal, t0 = rec.samples(), rec.time_of_sample()
    f0, s0 = events[0][0], starts[0]
    guess = int(round((presents[f0 - 1] - t0) * RATE)) - s0
    _, shift0 = best_shift(signal, sounds[0][:int(0.3 * RATE)], s0, guess, int(0.15 * RATE))

    def predicted(frame):
        return shift0 + int(round((presents[frame - 1] - presents[f0 - 1]) * RATE - due(frame - 1) + s0))

    # The music, each run found a second at a time (a late device block
    # shifts what follows), and the gain of the path (16-bit over 8-bit).
    music, gains = numpy.zeros(len(signal)), []
    for piece, first, where, after in runs:
        length = int((presents[min(after, len(presents)) - 1] - presents[first - 1]) * RATE)
        notes = pieces[piece][(where + numpy.arange(length)) % len(pieces[piece])]
        shift, span = predicted(first), 600
        for a in range(0, length - RATE // 4, RATE):
            b = min(length, a + RATE)
            v, shift = best_shift(signal, notes[a:b], due(first - 1) + a, shift, span)
            span, begin = 300, due(first - 1) + a + shift
            if v >= -1:  # inside the recording
                gains.append((signal[begin:begin + b - a] * notes[a:b]).sum() / (notes[a:b] ** 2).sum())
                music[begin:begin + b - a] = notes[a:b]
    gain = float(numpy.median(gains))
    heard = signal / gain - music

    # The effects, each over 40 ms (a click with the quiet after it) to 300 ms,
    # pooled; a missing one leaves its window near 0.
    shifts, windows = [predicted(f) for f, _ in events], {}
    for sweep in range(3):
        for k, (frame, _) in enumerate(events):
            if cut_short[k]:
                continue
            start, n = starts[k], min(max(len(sounds[k]), int(0.04 * RATE)), int(0.3 * RATE))
            reference = (replay_effects - placed(len(capture), zeros, k))[start:start + n]
            target = heard - placed(len(signal), shifts, k)
            v, shifts[k] = best_shift(target, reference, start, predicted(frame), int(0.06 * RATE))
            windows[k] = (v, target[start + shifts[k]:start + shifts[k] + n], reference)
    pooled = ncc(*(numpy.concatenate([w[i] for w in windows.values()]) for i in (1, 2)))
    worst = min(w[0] for w in windows.values())
    judge(len(windows) >= 15 and pooled >= 0.9 and worst >= 0.5, "the effects match the replay: "
          "ncc %.3f over %d events (lowest %.3f)" % (pooled, len(windows), worst))

    # Minimised on the game-over screen: silence, then the music goes on from
    # where the 0.4 s before the stop put it (a restart is over 0.2 s away).
    unmap, remap = (int(round((moments[m] - t0) * RATE)) + shift0 - guess for m in ("unmap", "map"))
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
    loop, length = numpy.concatenate([piece] * 3), len(piece)
    u, q = best_shift(loop, signal[stop - block - span:stop - block] / gain, 0, length // 2, length // 2)
    stopped_at = (q + span + block) % length
    v, _ = best_shift(loop, signal[resume + block:resume + block + span] / gain,
                      length + stopped_at + block, 0, int(0.06 * RATE))
    judge(min(u, v) >= 0.9 and 0.2 * RATE < stopped_at < length - 0.2 * RATE,
          "restoring the window resumes the music where it stopped (ncc %.3f and %.3f, stopped "
          "%.2f s into its loop)" % (u, v, stopped_at / RATE))


def plays_on(p, presents, start, what):
    """From `start` on, 50 frames a second without a gap of 0.5 s; then Escape twice quits with 0."""
    inside = [t for t in presents if t >= start]
    rate = (len(inside) - 1) / (inside[-1] - inside[0]) if len(inside) > 1 else 0
    gap = max([b - a for a, b in zip(inside, inside[1:])] or [1])
    check(p.process.poll() is None and 40 <= rate <= 60 and gap < 0.5, "%s: the game goes on at "
          "%.1f frames a second (longest gap %.0f ms)" % (what, rate, gap * 1000))
    p.key("Escape")
    time.sleep(0.3)
    p.key("Escape")
    check(p.wait(10) == 0, "%s: Escape twice quits with status 0" % what)


def sound_run(args, display, work, env):
    # Minimised half a loop of the game-over music after the planned game over.
    trace, _ = replay(args, work, "".join("%d %s\n" % (f, " ".join(k.lower() for k in keys))
                                          for f, *keys in PLAN), 900)
    overs = [f for f in sorted(trace) if 16 in trace[f]["effects"]]
    pulse = PulseServer()
    rec, p = Recorder(pulse), None
    try:
        check(wait_for(lambda: len(rec.data) > RATE // 5, 10), "the monitor of the null sink is recorded")
        p = XProgram(args, display, dict(env, PULSE_SERVER=pulse.server))
        if not check(p.find_window() is not None, "sound run: the window appears"):
            return
        p.focus()
        keys = KeyScript(display, env["ZORRIT_FRAME_LOG"])
        for frame, *names in PLAN:
            keys.hold(frame, *names)
        keys.wait_for_frame(overs[0] + 50, 30)
        moments = {"unmap": time.monotonic()}
        p.tool("xdotool", "windowunmap", "--sync", p.window)
        time.sleep(1.0)
        moments["map"] = time.monotonic()
        p.tool("xdotool", "windowmap", "--sync", p.window)
        p.focus()
        time.sleep(1.0)
        n = len(keys.presents())
        keys.hold(n + 2, "space")
        keys.hold(n + 5)
        time.sleep(0.5)

        pulse.kill()  # in the middle of the game
        stat = "/proc/%d/stat" % p.process.pid
        cpu = lambda: sum(map(int, open(stat).read().rsplit(")")[1].split()[11:13]))  # noqa: E731
        ticks, killed = cpu(), time.monotonic()
        time.sleep(2.0)
        share = (cpu() - ticks) / os.sysconf("SC_CLK_TCK") / (time.monotonic() - killed)
        check(share < 0.5, "server killed: the game does not spin (%.0f %% of a core)" % (share * 100))
        plays_on(p, keys.presents(), killed - 0.1, "server killed")
        rec.stop()
        compare(args, work, keys, rec, moments)
    finally:
        for helper in (p, rec, pulse):
            if helper:
                helper.stop()


def main():
    parser = argparse.ArgumentParser()
    for name in ("--zorrit", "--replay", "--sounds"):
        parser.add_argument(name, required=True)
    args = parser.parse_args()
    if missing_tool("Xvfb", "xdotool", "xwininfo", "pulseaudio", "parec", "pactl") or \
            not numpy and not print("skipped: python3-numpy is not installed"):
        return 77
    work = tempfile.mkdtemp(prefix="zorrit-e2e-sound-")
    with open(os.path.join(work, "client.conf"), "w") as f:
        f.write("autospawn = no\n")  # a client never starts a daemon of its own
    env = {"SDL_AUDIODRIVER": "pulseaudio", "PULSE_CLIENTCONFIG": os.path.join(work, "client.conf"),
           "ZORRIT_FRAME_LOG": os.path.join(work, "presents-silent")}
    display = Display()
    try:
        # No daemon anywhere this client may look: the game starts and plays, silent.
        p = XProgram(args, display, dict(env, PULSE_SERVER=None))
        keys = KeyScript(display, env["ZORRIT_FRAME_LOG"])
        try:
            if check(p.find_window() is not None, "no sound server: the window appears"):
                p.focus()
                keys.wait_for_frame(215, 10)
                p.key("space")
                plays_on(p, keys.wait_for_frame(330, 10) or [], time.monotonic() - 2, "no sound server")
        finally:
            p.stop()
        sound_run(args, display, work, dict(env, ZORRIT_FRAME_LOG=os.path.join(work, "presents")))
    finally:
        display.close()
        shutil.rmtree(work, ignore_errors=True)
    return summary("e2e sound")


if __name__ == "__main__":
    sys.exit(main())
