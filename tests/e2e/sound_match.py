"""Matching a recording of the real game's sound against the replay tool's
capture of the same key script.

The replay mixes in steps of one frame: frame F's effects start at sample
due(F - 1) of its capture. The real device mixes in blocks of its own, so an
effect starts at the first block after the frame that played it: each effect
is late by its own fraction of a block, and the music, which runs on without
a break, is not. No single shift aligns a window where an effect sounds over
the music, so the recording is taken apart the way the mixer put it together:

- the music: the trace says, frame by frame, which piece is current; the
  replay's music track is rebuilt from the pieces (looping, resuming where it
  stopped) and must equal the capture sample for sample wherever no effect
  sounds. In the recording each run of one piece is found as a whole (its
  start and the gain), and taken away;
- the effects: each frame's effects are one event; the event's own sound is
  the capture minus the music and minus every other event's sound, and the
  recording's is found the same way with every other event at the shift found
  for it. The figure is the normalised cross-correlation of the two over the
  event's window, at the best shift near the one the frame log predicts.
"""
import numpy


def due(frame):
    """Samples the replay has pulled by the end of `frame` (220.5 a frame)."""
    return (frame * 441 + 1) // 2


def ncc(a, b):
    a = a - a.mean()
    b = b - b.mean()
    d = numpy.sqrt((a * a).sum() * (b * b).sum())
    return float((a * b).sum() / d) if d else 0.0


def best_shift(signal, reference, start, predicted, span):
    """(ncc, shift): the shift within predicted +- span at which
    signal[start + shift:] matches reference best."""
    best = (-2.0, predicted)
    n = len(reference)
    for shift in range(predicted - span, predicted + span + 1):
        s = start + shift
        if s < 0 or s + n > len(signal):
            continue
        v = ncc(signal[s:s + n], reference)
        if v > best[0]:
            best = (v, shift)
    return best


def read_trace(path):
    import json
    frames = {}
    with open(path) as f:
        for line in f:
            d = json.loads(line)
            frames[d["frame"]] = d
    return frames


def music_runs(trace, last):
    """[(piece, first frame, frame after the last, position at the start)]:
    the stretches during which one piece is current. Frames without a trace
    line (the pause overlay) keep the previous state."""
    runs, state = [], [0, 0]
    for frame in range(1, last + 1):
        now = trace[frame]["music"] if frame in trace else state
        if now != state:
            if state[0]:
                runs[-1][2] = frame
            if now[0]:
                runs.append([now[1], frame, None])
            state = now
    if runs and runs[-1][2] is None:
        runs[-1][2] = last + 1
    return [tuple(r) for r in runs]


def music_track(runs, pieces, length):
    """The replay's music, sample for sample, and each run's start position."""
    track = numpy.zeros(length)
    position = {k: 0 for k in pieces}
    starts = []
    for piece, first, after in runs:
        a, b = due(first - 1), min(due(after - 1), length)
        n = len(pieces[piece])
        starts.append(position[piece])
        track[a:b] = pieces[piece][(position[piece] + numpy.arange(b - a)) % n]
        position[piece] = (position[piece] + b - a) % n
    return track, starts


def effect_events(trace, last):
    """[(frame, [effects])] for every frame up to `last` that started effects."""
    return [(f, trace[f]["effects"]) for f in sorted(trace) if f <= last and trace[f]["effects"]]


class Events:
    """Each event's sound: its effects from their beginnings, each one cut
    where a later event starts the same effect again (the slot restarts)."""

    def __init__(self, events, effects):
        self.events = events
        self.effects = effects
        self.starts = [due(f - 1) for f, _ in events]

    def cut_short(self, k):
        """1 when a later event restarts one of event k's effects within two
        frames: it is then heard inside that event's window."""
        start = self.starts[k]
        for e in self.events[k][1]:
            for j in range(k + 1, len(self.events)):
                if e in self.events[j][1]:
                    if self.starts[j] - start < min(len(self.effects[e]), 441):
                        return 1
                    break
        return 0

    def sound(self, k, shifts):
        """Event k's sound in replay coordinates (start, samples); with shifts
        (one an event) the cut by a restart moves with the restarting event."""
        start = self.starts[k]
        length = max(len(self.effects[e]) for e in self.events[k][1])
        out = numpy.zeros(length)
        for e in self.events[k][1]:
            n = len(self.effects[e])
            for j in range(k + 1, len(self.events)):
                if e in self.events[j][1]:
                    cut = self.starts[j] - start + (shifts[j] - shifts[k] if shifts else 0)
                    n = max(0, min(n, cut))
                    break
            out[:n] += self.effects[e][:n]
        return start, out

    def placed(self, length, shifts, leave_out):
        """Every event's sound but one, each at its shift."""
        total = numpy.zeros(length)
        for k in range(len(self.events)):
            if k == leave_out:
                continue
            start, s = self.sound(k, shifts)
            a = start + (shifts[k] if shifts else 0)
            if a >= length or a + len(s) <= 0:
                continue
            lo, hi = max(0, a), min(length, a + len(s))
            total[lo:hi] += s[lo - a:hi - a]
        return total
