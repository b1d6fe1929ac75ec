#!/usr/bin/env python3
"""The desktop program's sound through a real sound server, end to end.

    run_e2e_sound.py --zorrit PATH --replay PATH --sounds DIR

Starts Xvfb and a private PulseAudio daemon with a null sink (see
sound_server.py), runs the real program with SDL's pulseaudio driver and
records the sink's monitor while a key script plays: the title's cues, a
start, strikes and wall taps, a pause, a game over. Then:

- the recording against the replay tool's capture of the same keys (the
  script is written down from the frames the keys really reached): every
  effect event's sound, and the music under them (sound_match.py says how
  they are taken apart); the figures are printed, each must reach 0.9;
- the window minimised on the game-over screen: the music stops, and comes
  back from where it stopped;
- the sound server killed in the middle of a game: the game keeps its frame
  rate without spinning, answers its keys and quits with status 0;
- a run with no sound server at all: the game starts and plays, silent.

Exit status: 0 all passed, 1 a check failed, 77 a tool is missing (skipped).
"""
import argparse
import os
import shutil
import subprocess
import sys
import tempfile
import time
import traceback

sys.dont_write_bytecode = True  # nothing written beside the sources
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from e2e_support import check, summary  # noqa: E402
from run_e2e import Display, XProgram  # noqa: E402
from sound_server import (RATE, FrameLog, KeyScript, Probe, PulseServer, Recorder,  # noqa: E402
                          XKeys, read_wave_u8, tools_missing, wait_until)

THRESHOLD = 0.9   # the correlation the recording must reach over all windows
PRESENT = 0.5     # and over each one window
EFFECT_NAMES = {11: "strike", 12: "paw lands", 13: "paw leaves", 14: "wall tap",
                15: "ball bounce", 16: "game over", 17: "start", 18: "title cue 1",
                19: "title cue 2", 20: "title cue 3", 21: "title cue 4", 22: "title cue 5"}

# The key script, as (frame, "press"/"release", keys): the frame is the game
# frame that first sees the change. Space after the title's last cue; then
# the head is steered into the ball and the walls; Escape and F1 make a pause;
# after that nobody steers and a paw print soon lands on the resting tail.
PLAN = [(215, "press", "space"), (218, "release"),
        (300, "press", "Left"), (320, "release"),
        (344, "press", "Down"), (369, "release"),
        (384, "press", "Up"), (398, "release"),
        (407, "press", "Up", "Right"), (425, "release"),
        (437, "press", "Escape"), (440, "release"),
        (467, "press", "F1"), (470, "release")]
SCRIPT_KEYS = {"space": "space", "Escape": "escape", "F1": "f1", "Left": "left",
               "Right": "right", "Up": "up", "Down": "down"}


def plan_script():
    lines = []
    for frame, what, *keys in PLAN:
        lines.append("%d %s" % (frame, " ".join(SCRIPT_KEYS[k] for k in keys)))
    return "\n".join(lines) + "\n"


def replay(args, work, name, script, frames):
    """Runs the replay tool; (trace, capture as signed floats)."""
    import numpy
    import wave
    script_path = os.path.join(work, name + ".input")
    with open(script_path, "w") as f:
        f.write(script)
    trace_path = os.path.join(work, name + ".trace")
    audio_path = os.path.join(work, name + ".wav")
    subprocess.run([args.replay, "--input", script_path, "--frames", str(frames),
                    "--trace", trace_path, "--audio", audio_path], check=True, timeout=60)
    import sound_match
    with wave.open(audio_path) as w:
        capture = numpy.frombuffer(w.readframes(w.getnframes()), numpy.uint8).astype(float) - 128
    return sound_match.read_trace(trace_path), capture


def client_config(work):
    """A client.conf that never starts a daemon of its own."""
    path = os.path.join(work, "client.conf")
    with open(path, "w") as f:
        f.write("autospawn = no\n")
    return path


def cpu_seconds(pid):
    fields = open("/proc/%d/stat" % pid).read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")


def frame_rate(presents, start, end):
    """(frames a second, longest gap in s, when it began) between two
    monotonic times."""
    inside = [t for t in presents if start <= t <= end]
    if len(inside) < 2:
        return 0.0, end - start, start
    gaps = [(b - a, a) for a, b in zip(inside, inside[1:])]
    return ((len(inside) - 1) / (inside[-1] - inside[0]),) + max(gaps)


def loop_position(segment, piece):
    """(position, ncc): where in the looping piece the segment is found."""
    import numpy
    n, length = len(segment), len(piece)
    ext = numpy.concatenate([piece, piece[:n]])
    size = 1 << int(numpy.ceil(numpy.log2(len(ext) + n)))
    seg = segment - segment.mean()
    corr = numpy.fft.irfft(numpy.fft.rfft(ext, size) * numpy.conj(numpy.fft.rfft(seg, size)), size)
    corr = corr[:length]
    csum = numpy.concatenate([[0], numpy.cumsum(ext)])
    csq = numpy.concatenate([[0], numpy.cumsum(ext * ext)])
    sums = csum[n:n + length] - csum[:length]
    energy = csq[n:n + length] - csq[:length] - sums * sums / n
    score = corr / numpy.sqrt(numpy.maximum(energy, 1e-9) * (seg * seg).sum())
    p = int(numpy.argmax(score))
    return p, float(score[p])


# ------------------------------------------------------------ the sound run

def judge(judged, condition, what):
    """A check of the recording: enforced when the machine could feed the
    stream, reported otherwise."""
    if judged:
        return check(condition, what)
    print("note  " + what + " (not judged: the machine was too busy, see above)")
    return True

def compare(args, work, log, keys, rec, moments, judged):
    """The recording against the replay of the keys the game really saw."""
    import numpy
    import sound_match as sm
    presents = log.presents()
    script, slack = keys.replay_script(presents)
    planned = plan_script()
    print("       keys reached frames %s; closest to a frame's last pump %.1f ms" %
          ("as planned" if script.startswith(planned) else "\n" + script, slack * 1000))
    last = sum(1 for p in presents if p <= moments["unmap"]) - 1
    trace, capture = replay(args, work, "real", script, last)

    pieces = {0: read_wave_u8(os.path.join(args.sounds, "bgm1.wav")),
              1: read_wave_u8(os.path.join(args.sounds, "bgm2.wav"))}
    effects = {e: read_wave_u8(os.path.join(args.sounds, "se%02d.wav" % (e - 10)))
               for e in range(11, 23)}
    runs = sm.music_runs(trace, last)
    track, run_starts = sm.music_track(runs, pieces, len(capture))
    events = sm.effect_events(trace, last)
    ev = sm.Events(events, effects)
    replay_effects = capture - track
    rebuilt = ev.placed(len(capture), None, None)
    check(numpy.abs(replay_effects - rebuilt).max() <= 1,
          "the replay's capture is its music and its effects, sample for sample")
    seen = sorted({e for _, es in events for e in es})
    check(all(e in seen for e in (11, 14, 16, 17, 18, 19, 20, 21, 22)),
          "the script plays the title cues, a start, strikes, wall taps and a game over "
          "(effects %s)" % seen)

    # Where the recording stands against the frames: the first title cue,
    # found within 150 ms of where the recorder's clock puts it.
    signal = rec.samples()
    t0 = rec.time_of_sample()
    f0, s0 = events[0][0], ev.starts[0]
    first = ev.sound(0, None)[1][:int(0.3 * RATE)]
    guess = int(round((presents[f0 - 1] - t0) * RATE)) - s0
    v, shift0 = sm.best_shift(signal, first, s0, guess, int(0.15 * RATE))
    path_delay = (shift0 - guess) / RATE
    print("       first title cue: ncc %.3f, %.1f ms after the frame that played it" %
          (v, path_delay * 1000))

    def predicted(frame):
        real = presents[frame - 1] - presents[f0 - 1]
        return shift0 + int(round(real * RATE - (sm.due(frame - 1) - s0)))

    # The music: each run found a second at a time (a late block of the
    # device shifts what follows), and the gain (16-bit over 8-bit).
    music = numpy.zeros(len(signal))
    gains, found = [], []
    for (piece, first_frame, after), start_pos in zip(runs, run_starts):
        real_len = int((presents[min(after, len(presents)) - 1] - presents[first_frame - 1]) * RATE)
        notes = pieces[piece][(start_pos + numpy.arange(real_len)) % len(pieces[piece])]
        base = sm.due(first_frame - 1)
        shift, span, parts = predicted(first_frame), 600, []
        for a in range(0, real_len - RATE // 4, RATE):
            b = min(real_len, a + RATE)
            v, shift = sm.best_shift(signal, notes[a:b], base + a, shift, span)
            span = 300
            begin = base + a + shift
            if v < -1 or begin < 0 or begin + b - a > len(signal):
                continue  # not inside the recording
            part = signal[begin:begin + b - a]
            gains.append((part * notes[a:b]).sum() / (notes[a:b] ** 2).sum())
            music[begin:begin + b - a] = notes[a:b]
            parts.append((begin, notes[a:b]))
        found.append((piece, parts))
    gain = float(numpy.median(gains))
    print("       gain of the path %.1f (an 8-bit step is 256 in 16 bits)" % gain)
    heard = signal / gain - music

    # The effects, event by event, each with every other one at its own shift.
    shifts = [predicted(f) for f, _ in events]
    figures = [None] * len(events)
    windows = [None] * len(events)
    for sweep in range(3):
        for k, (frame, es) in enumerate(events):
            start, own = ev.sound(k, None)
            # At least 40 ms: a click of a few milliseconds is compared with
            # the quiet after it.
            window = min(max(len(own), int(0.04 * RATE)), int(0.3 * RATE))
            if ev.cut_short(k):
                figures[k] = None  # restarted at once: heard inside the next event
                continue
            reference = (replay_effects - ev.placed(len(capture), None, k))[start:start + window]
            target = heard - ev.placed(len(signal), shifts, k)
            v, s = sm.best_shift(target, reference, start, predicted(frame), int(0.06 * RATE))
            shifts[k], figures[k] = s, v
            windows[k] = (target[start + s:start + s + window], reference)
    compared = [(f, es, v, shifts[k] - predicted(f)) + windows[k] for k, ((f, es), v) in
                enumerate(zip(events, figures)) if v is not None]
    for f, es, v, lateness, _, _ in compared:
        print("       frame %4d %-24s ncc %.3f, %+5.1f ms against the frame grid" %
              (f, "+".join(EFFECT_NAMES[e] for e in es), v, lateness * 1000 / RATE))
    # The figure: the correlation over all the effects' windows together, each
    # at its shift; and every event must be there (a missing effect leaves its
    # window near 0, a device block lost to a stall lowers one window a little).
    pooled = sm.ncc(numpy.concatenate([c[4] for c in compared]),
                    numpy.concatenate([c[5] for c in compared]))
    worst = min(c[2] for c in compared)
    judge(judged, len(compared) >= 15 and pooled >= THRESHOLD and worst >= PRESENT,
          "the effects match the replay: ncc %.3f over the %d events' windows (each >= %.1f: "
          "lowest %.3f)" % (pooled, len(compared), PRESENT, worst))

    # The music under the effects, with the effects taken away.
    # Judged where no effect sounds, a second at a time.
    quiet = signal / gain
    busy = ev.placed(len(signal), shifts, None) != 0
    for piece, parts in found:
        a, b = [], []
        figures = []
        for begin, notes in parts:
            free = ~busy[begin:begin + len(notes)]
            if free.sum() < RATE // 10:
                continue
            a.append(quiet[begin:begin + len(notes)][free])
            b.append(notes[free])
            figures.append(sm.ncc(a[-1], b[-1]))
        pooled = sm.ncc(numpy.concatenate(a), numpy.concatenate(b)) if a else 0.0
        # Pooled: music that stops or jumps for a second pulls it below the
        # mark; one lost device block only dents the second it falls in.
        judge(judged, figures and pooled >= THRESHOLD,
              "the %s music runs on between the effects: ncc %.3f over %.1f s (lowest second "
              "%.3f)" % ("play" if piece == 0 else "game-over", pooled,
                         sum(len(x) for x in a) / RATE, min(figures or [0])))

    # Minimised on the game-over screen: silence, then the music from where it
    # stopped.
    if not check(any(x[0] == 1 for x in found), "the game-over music was found"):
        return
    piece = pieces[1]
    at = lambda t: int(round((t - t0 + path_delay) * RATE))
    block = int(0.005 * RATE)

    def loud(i):
        return numpy.sqrt((signal[i:i + block] ** 2).mean()) / gain

    before = signal[at(moments["unmap"]) - int(0.6 * RATE):at(moments["unmap"]) - int(0.1 * RATE)]
    level = numpy.sqrt((before ** 2).mean()) / gain
    hush = signal[at(moments["unmap"]) + int(0.3 * RATE):at(moments["map"]) - int(0.05 * RATE)]
    hush_level = numpy.sqrt((hush ** 2).mean()) / gain if len(hush) else level
    check(len(hush) > RATE // 2 and hush_level < 0.02 * level,
          "minimising silences the music (level %.3f against %.2f before)" % (hush_level, level))
    i = at(moments["unmap"]) - int(0.1 * RATE)
    while i < len(signal) and loud(i) > 0.1 * level:
        i += block
    stop = i
    i = at(moments["map"]) - int(0.05 * RATE)
    while i < len(signal) and loud(i) < 0.1 * level:
        i += block
    resume = i
    # Where the piece stood: found from the 0.4 s before the stop and the
    # 0.4 s after the resumption (each a block away from its edge).
    span = int(0.4 * RATE)
    q, u = loop_position(signal[stop - block - span:stop - block] / gain, piece)
    stopped_at = (q + span + block) % len(piece)
    p, v = loop_position(signal[resume + block:resume + block + span] / gain, piece)
    p = (p - block) % len(piece)
    v = min(u, v)
    apart = min((p - stopped_at) % len(piece), (stopped_at - p) % len(piece))
    print("       music stopped at %.3f s of its %.3f s loop, came back at %.3f s (ncc %.3f) "
          "after %.2f s of silence" % (stopped_at / RATE, len(piece) / RATE, p / RATE, v,
                                       (resume - stop) / RATE))
    # A restart would come back more than 0.2 s away; a device block lost at
    # either edge moves the edges found by a few milliseconds.
    judge(judged, v >= THRESHOLD and apart <= 0.06 * RATE and
          min(stopped_at, len(piece) - stopped_at) > 0.2 * RATE,
          "restoring the window resumes the music where it stopped (%.1f ms apart)" %
          (apart * 1000 / RATE))


def sound_run(args, display, work):
    # The game-over frame of the plan decides when to minimise: half a loop
    # of the game-over music later.
    trace, _ = replay(args, work, "plan", plan_script(), 900)
    overs = [f for f in sorted(trace) if 16 in trace[f]["effects"]]
    if not check(overs, "the planned script ends in a game over"):
        return
    unmap_frame = overs[0] + 50

    pulse = PulseServer()
    rec = keys = p = probe = None
    try:
        rec = Recorder(pulse)
        if not check(wait_until(rec.started, 10), "the monitor of the null sink is recorded"):
            return
        probe = Probe(pulse, 23, 60)
        frames = os.path.join(work, "presents")
        env = dict(pulse.client_env(), SDL_AUDIODRIVER="pulseaudio", ZORRIT_FRAME_LOG=frames,
                   PULSE_CLIENTCONFIG=client_config(work))
        p = XProgram(args, display, env)
        log = FrameLog(frames)
        if not check(p.find_window() is not None, "sound run: the window appears"):
            print("       program status %s, stderr %r" % (p.process.poll(), p.stderr()[-300:]))
            return
        p.focus()
        def stream():
            return "Sink Input #" in subprocess.run(
                ["pactl", "--server", pulse.server, "list", "sink-inputs"], env=pulse.env,
                capture_output=True, text=True, timeout=10).stdout
        check(wait_until(stream, 5, 0.1), "the game plays into the sound server")
        keys = KeyScript(XKeys(display.name), log)
        for frame, what, *names in PLAN:
            (keys.press if what == "press" else keys.release)(frame, *names)
        keys.at_frame(unmap_frame)
        moments = {"unmap": time.monotonic()}
        p.tool("xdotool", "windowunmap", "--sync", p.window)
        time.sleep(1.0)
        moments["map"] = time.monotonic()
        p.tool("xdotool", "windowmap", "--sync", p.window)
        p.focus()
        time.sleep(1.0)
        n = len(log.presents())
        keys.press(n + 2, "space")
        keys.release(n + 5)
        time.sleep(0.5)

        # The server dies in the middle of the game.
        pulse.kill()
        killed = time.monotonic()
        cpu0 = cpu_seconds(p.process.pid)
        time.sleep(2.0)
        cpu1 = cpu_seconds(p.process.pid)
        until = time.monotonic()
        rate, gap, at = frame_rate(log.presents(), killed - 0.1, until)
        share = (cpu1 - cpu0) / (until - killed)
        check(p.process.poll() is None and 40 <= rate <= 60 and gap < 0.5,
              "server killed: the game goes on at %.1f frames a second (longest gap %.0f ms, "
              "%.0f ms after the kill)" % (rate, gap * 1000, (at - killed) * 1000))
        check(share < 0.5, "server killed: the game does not spin (%.0f %% of a core)" % (share * 100))
        p.key("Escape")
        time.sleep(0.3)
        p.key("Escape")
        code = p.wait(10)
        if not check(code == 0, "server killed: Escape twice quits with status 0 (%s)" % code):
            print("       stderr %r" % p.stderr()[-400:])
        rec.stop()
        # The probe's tone ran through the whole recording: pieces it lost
        # say the machine was too busy for a stream like the game's.
        lost = probe.lost()
        probe.stop()
        judged = lost <= 2
        print("       a tone played beside the game through a stream buffered like its own "
              "lost %d pieces of 5 ms%s" %
              (lost, "" if judged else ": the recording's figures are printed, not judged"))
        if args.keep:
            os.makedirs(args.keep, exist_ok=True)
            with open(os.path.join(args.keep, "recording.s16"), "wb") as f:
                f.write(bytes(rec.data))
            shutil.copy(frames, args.keep)
        try:
            compare(args, work, log, keys, rec, moments, judged)
        except Exception:  # a recording too damaged to take apart
            traceback.print_exc(file=sys.stdout)
            judge(judged, False, "the recording could be taken apart")
    finally:
        if keys:
            keys.keys.close()
        if p:
            p.stop()
        if rec:
            rec.stop()
        if probe:
            probe.stop()
        pulse.stop()


def no_server_run(args, display, work):
    """No daemon anywhere this client may look: the game runs silent."""
    frames = os.path.join(work, "presents-silent")
    p = XProgram(args, display, {"SDL_AUDIODRIVER": "pulseaudio", "ZORRIT_FRAME_LOG": frames,
                                 "PULSE_CLIENTCONFIG": client_config(work), "PULSE_SERVER": None})
    keys = None
    try:
        started = time.monotonic()
        if not check(p.find_window() is not None, "no sound server: the window appears"):
            print("       program status %s, stderr %r" % (p.process.poll(), p.stderr()[-300:]))
            return
        p.focus()
        log = FrameLog(frames)
        keys = KeyScript(XKeys(display.name), log)
        keys.press(215, "space")
        keys.release(218)
        log.wait_for_frame(330, 10)
        presents = log.presents()
        rate, gap, _ = frame_rate(presents, presents[220], presents[-1])
        check(40 <= rate <= 60 and gap < 0.5,
              "no sound server: the game starts and plays (%.1f frames a second, %.1f s to the "
              "title's end)" % (rate, presents[201] - started))
        p.key("Escape")
        time.sleep(0.3)
        p.key("Escape")
        code = p.wait(10)
        check(code == 0, "no sound server: Escape twice quits with status 0 (%s)" % code)
    finally:
        if keys:
            keys.keys.close()
        p.stop()


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--zorrit", required=True)
    parser.add_argument("--replay", required=True)
    parser.add_argument("--sounds", required=True)
    parser.add_argument("--keep", default="", help="folder for the recording and frame log")
    args = parser.parse_args()
    missing = [t for t in ("Xvfb", "xdotool", "xwininfo", "xprop") if not shutil.which(t)]
    missing += tools_missing()
    try:
        import numpy  # noqa: F401
    except ImportError:
        missing.append("python3-numpy")
    if missing:
        print("skipped: not installed: %s" % " ".join(missing))
        return 77
    work = tempfile.mkdtemp(prefix="zorrit-e2e-sound-")
    display = Display()
    try:
        no_server_run(args, display, work)
        sound_run(args, display, work)
    finally:
        display.close()
        shutil.rmtree(work, ignore_errors=True)
    return summary("e2e sound")


if __name__ == "__main__":
    sys.exit(main())
