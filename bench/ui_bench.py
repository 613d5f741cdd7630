#!/usr/bin/env python3
"""Speed and memory of the editor as a person meets them, measured on the
real program under X, driven with xdotool; run through bench/ui_bench.sh.

  ui_bench.py [options] LAUNCHER [LAUNCHER...]

LAUNCHER is BUILD/wine/tde.exe. With several launchers every round runs each
of them in turn, so that builds are compared under the same machine load.

Scenarios (--only, comma-separated):
  line      the line tool's rubber band: a 1024 x 768 client showing a
            4096 x 4096 direct-colour picture at x8, --moves moves with the
            left button held
  freehand  a --moves move freehand stroke on the same picture fitted to the
            same window
  open      process start to the first paint of a 4096 x 4096 24-bit BMP:
            Wine's part (to the entry of our code) and ours
  memory    peak resident memory of a flat 4096 x 4096 direct-colour picture
            after one flood fill of the whole picture and its undo, above the
            same program idle on a 16 x 16 picture

The program writes its timing trace (TDE_TRACE, see app/trace.h). Per mouse
move: received (Q), taken by the tool (T), handled (the tool's next wait, W),
its repaint (the first paint that starts after it was handled, P). Latency is
received -> repaint finished; the program's own share is what our code spent
on the move: handling (T -> W) plus composing the picture of its repaint.
Moves are also lost before they reach us: Wine merges motion events that
queue up while the program is busy, so "seen" counts the moves received.
"""
import argparse
import ctypes
import os
import re
import signal
import statistics
import subprocess
import sys
import time

SIZE = 4096
CLIENT = (1024, 768)
SAVE_QUESTION = "ファイルは変更されています"


class BenchError(Exception):
    pass


def fail(msg):
    raise BenchError(msg)


LIVE = []  # the programs started by this driver


def end_all():
    """Ends the programs of this driver that still run (after a failure)."""
    for app in LIVE:
        if app.proc.poll() is None:
            app.proc.terminate()
            try:
                app.proc.wait(10)
            except subprocess.TimeoutExpired:
                app.proc.kill()
                app.proc.wait()
    LIVE.clear()


def xdo(*args, check=True):
    return subprocess.run(["xdotool", *map(str, args)], check=check, capture_output=True,
                          text=True).stdout


def screen_pixel(x, y):
    """RRGGBB of the screen pixel at (x, y)."""
    out = subprocess.run(["import", "-window", "root", "-crop", f"1x1+{x}+{y}", "-depth", "8",
                          "txt:-"], check=True, capture_output=True, text=True).stdout
    return re.search(r"#([0-9A-Fa-f]{6})", out).group(1).lower()


def pattern(title):
    return "^" + re.escape(title) + "$"


def find_window(title, limit=60.0, proc=None):
    end = time.monotonic() + limit
    while time.monotonic() < end:
        r = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", pattern(title)],
                           capture_output=True, text=True)
        ids = r.stdout.split()
        if ids:
            return ids[0]
        if proc is not None and proc.poll() is not None:
            fail(f"the program ended before window '{title}' appeared")
        time.sleep(0.05)
    fail(f"no window '{title}' after {limit:.0f} s")


def geometry(wid):
    out = xdo("getwindowgeometry", "--shell", wid)
    g = dict(line.split("=", 1) for line in out.split())
    return int(g["X"]), int(g["Y"]), int(g["WIDTH"]), int(g["HEIGHT"])


class CpuLoad:
    """Share of the machine's CPU time that was busy between start and stop."""

    @staticmethod
    def sample():
        with open("/proc/stat") as f:
            v = [int(x) for x in f.readline().split()[1:]]
        idle = v[3] + v[4]
        return sum(v) - idle, sum(v)

    def __init__(self):
        self.b0, self.t0 = self.sample()

    def busy(self):
        b1, t1 = self.sample()
        return 100.0 * (b1 - self.b0) / max(1, t1 - self.t0)


def loadavg():
    with open("/proc/loadavg") as f:
        return float(f.read().split()[0])


class Trace:
    """The lines of a trace file (app/trace.h) as (kind, numbers)."""

    def __init__(self, path):
        self.lines = []
        with open(path) as f:
            for line in f:
                parts = line.split()
                if parts and parts[0] in "QTWSOP":
                    self.lines.append((parts[0], [int(x) for x in parts[1:]]))

    def of(self, kind):
        return [v for k, v in self.lines if k == kind]

    def moves(self, t_from, t_to):
        """Per mouse move received in [t_from, t_to] with the left button held:
        {(x, y): (received, taken, handled, paint start, paint end, compose)}."""
        taken = iter([v[0] for k, v in self.lines if k == "T"])
        pending = []  # moves taken, waiting for their handled time
        handled = []
        for k, v in self.lines:
            if k == "Q":
                t = next(taken, None)
                if v[1] == 1 and v[4] & 1 and t_from <= v[0] <= t_to:
                    pending.append([v[0], t, None, v[2], v[3]])
            elif k == "W":
                for m in pending:
                    if m[1] is not None and m[1] <= v[0] and m[2] is None:
                        m[2] = v[0]
                handled += [m for m in pending if m[2] is not None]
                pending = [m for m in pending if m[2] is None]
        paints = self.of("P")
        out, i = {}, 0
        for q, t, w, x, y in handled:
            while i < len(paints) and paints[i][0] < w:
                i += 1
            if i == len(paints):
                break
            p = paints[i]
            out.setdefault((x, y), (q, t, w, p[0], p[1], p[4]))
        return out

    def busy_spans(self):
        """Merged spans in which the program handled an event (T to the next
        W) or painted; outside them it waited for input."""
        spans, since = [], None
        for k, v in self.lines:
            if k == "T" and since is None:
                since = v[0]
            elif k == "W" and since is not None:
                spans.append((since, v[0]))
                since = None
            elif k == "P":
                spans.append((v[0], v[1]))
        merged = []
        for a, b in sorted(spans):
            if merged and a <= merged[-1][1]:
                merged[-1] = (merged[-1][0], max(merged[-1][1], b))
            else:
                merged.append((a, b))
        return merged


def busy_share(spans, t_from, t_to):
    total = sum(max(0, min(b, t_to) - max(a, t_from)) for a, b in spans)
    return total / max(1, t_to - t_from)


def busy_throughout(spans, t_from, t_to):
    return any(a <= t_from and b >= t_to for a, b in spans)


class App:
    """One run of the program on a picture, with its trace."""

    def __init__(self, launcher, work, args, tag):
        self.trace = os.path.join(work, f"trace-{tag}.txt")
        if os.path.exists(self.trace):
            os.remove(self.trace)
        env = dict(os.environ, TDE_TRACE=self.trace)
        self.start = time.monotonic()
        self.proc = subprocess.Popen([launcher, *args], cwd=work, env=env,
                                     stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        LIVE.append(self)

    def pid(self):
        """The process that runs tde.exe.so (the launcher execs into it)."""
        for _ in range(100):
            try:
                with open(f"/proc/{self.proc.pid}/cmdline", "rb") as f:
                    if b"tde.exe.so" in f.read():
                        return self.proc.pid
            except OSError:
                pass
            time.sleep(0.05)
        fail("no tde.exe.so process")

    def paints(self):
        try:
            with open(self.trace) as f:
                # The program may be writing the last line.
                return [line.split() for line in f
                        if line.startswith("P ") and line.endswith("\n") and len(line.split()) >= 6]
        except OSError:
            return []

    def wait_paint(self, after=0, size=None, limit=60.0):
        """Waits for a paint (of a client of `size`) that begins after the
        monotonic time `after` (microseconds); returns its fields."""
        end = time.monotonic() + limit
        while time.monotonic() < end:
            for p in self.paints():
                v = [int(x) for x in p[1:]]
                if v[0] >= after and (size is None or tuple(v[2:4]) == size):
                    return v
            if self.proc.poll() is not None:
                fail("the program ended early")
            time.sleep(0.05)
        fail("no paint" + (f" of {size[0]} x {size[1]}" if size else "") + f" after {limit:.0f} s")

    def close(self, wid):
        """Escape, and いいえ to the save question of a modified picture."""
        xdo("windowfocus", wid)
        time.sleep(0.3)
        xdo("key", "Escape")
        end = time.monotonic() + 20
        while time.monotonic() < end and self.proc.poll() is None:
            r = subprocess.run(["xdotool", "search", "--onlyvisible", "--name",
                                pattern(SAVE_QUESTION)], capture_output=True, text=True)
            if r.stdout.split():
                dlg = r.stdout.split()[0]
                time.sleep(0.3)
                # The dialog may be on its way out already.
                if subprocess.run(["xdotool", "windowfocus", dlg],
                                  capture_output=True).returncode == 0:
                    time.sleep(0.3)
                    xdo("key", "n", check=False)
                time.sleep(0.5)
            time.sleep(0.1)
        if self.proc.poll() is None:
            self.proc.send_signal(signal.SIGTERM)
        self.proc.wait(30)


def now_us():
    return int(time.monotonic() * 1e6)


class Driver:
    def __init__(self, opts):
        self.o = opts
        self.menu_h = None
        self.xdo = ctypes.CDLL("libxdo.so.3")
        self.xdo.xdo_new.restype = ctypes.c_void_p
        self.xdo.xdo_move_mouse.argtypes = [ctypes.c_void_p] + [ctypes.c_int] * 3
        self.xdo.xdo_mouse_down.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int]
        self.xdo.xdo_mouse_up.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int]
        self.xdo_h = self.xdo.xdo_new(os.environ["DISPLAY"].encode())
        if not self.xdo_h:
            fail("xdo_new failed")

    def client_origin(self, wid):
        x, y, w, h = geometry(wid)
        return x, y + (self.menu_h or 0)

    def fit_client(self, app, wid):
        """Resizes the window to a client of CLIENT pixels. Wine's X window
        holds the menu bar and the client (the frame is outside it)."""
        p = app.wait_paint()
        x, y, w, h = geometry(wid)
        self.menu_h = h - p[3]
        t = now_us()
        xdo("windowsize", wid, CLIENT[0], CLIENT[1] + self.menu_h)
        return app.wait_paint(after=t, size=CLIENT)

    def menu(self, wid, *keys):
        xdo("windowfocus", wid)
        time.sleep(0.3)
        xdo("key", "F10")
        time.sleep(0.2)
        for k in keys:
            xdo("key", k)
            time.sleep(0.15)

    def tool_menu(self, app, wid, cx, cy):
        """Holds the right button at client (cx, cy) and chooses
        "ツールメニュー"; returns the screen origin of the tool menu's client."""
        ox, oy = self.client_origin(wid)
        xdo("mousemove", ox + cx, oy + cy)
        time.sleep(0.3)
        xdo("mousedown", 3)
        time.sleep(0.5)
        xdo("mousemove", ox + cx + 12, oy + cy + 10)
        time.sleep(0.3)
        xdo("mouseup", 3)
        tid = find_window("ツール", proc=app.proc)
        time.sleep(0.5)
        x, y, w, h = geometry(tid)
        return x, y

    def click(self, x, y):
        xdo("mousemove", x, y)
        time.sleep(0.2)
        xdo("click", 1)
        time.sleep(0.3)

    def stroke(self, ox, oy, path):
        """Presses the left button at the first point, moves along the rest
        --interval ms apart and releases. The moves go through xdotool's
        library, so that each one's sending time is known; a late move does
        not make the next one early. Returns the sending times (us)."""
        gap = self.o.interval / 1e3
        x0, y0 = path[0]
        self.xdo.xdo_move_mouse(self.xdo_h, ox + x0, oy + y0, 0)
        time.sleep(0.4)
        self.xdo.xdo_mouse_down(self.xdo_h, 0, 1)
        time.sleep(0.3)
        sent = []
        due = time.monotonic()
        for x, y in path[1:]:
            while True:
                left = due - time.monotonic()
                if left <= 0:
                    break
                time.sleep(left)
            sent.append(now_us())
            self.xdo.xdo_move_mouse(self.xdo_h, ox + x, oy + y, 0)
            due = max(due, time.monotonic()) + gap
        time.sleep(0.3)
        self.xdo.xdo_mouse_up(self.xdo_h, 0, 1)
        time.sleep(0.5)
        return sent

    def drag_path(self, box, n):
        """n distinct points zigzagging through box (x0, y0, x1, y1)."""
        x0, y0, x1, y1 = box
        pts, x, y, dx, step = [], x0, y0, 3, 7
        while len(pts) < n:
            pts.append((x, y))
            x += dx
            if not x0 <= x <= x1:
                dx = -dx
                x += 2 * dx
                y += step
                if y > y1:
                    y = y0 + (y - y0) % (y1 - y0)
        return pts

    def interaction(self, launcher, tag, kind):
        """One drag; returns the moves' figures."""
        app = App(launcher, self.o.work, ["big.bmp"], tag)
        wid = find_window("big.bmp", proc=app.proc)
        self.fit_client(app, wid)
        n = self.o.moves
        if kind == "line":
            t = now_us()
            # 設定 > 表示拡大率 > 8
            self.menu(wid, "Right", "Right", "Right", "Down", "Down", "Down", "Down", "Right",
                      "Down", "Down", "Down", "Down", "Down", "Return")
            app.wait_paint(after=t)
            time.sleep(0.5)
            tx, ty = self.tool_menu(app, wid, 820, 560)
            self.click(tx + 36, ty + 12)  # 線分
            box = (100, 100, 700, 500)
        else:
            box = (200, 100, 820, 660)  # the fitted picture spans x 128..895
        ox, oy = self.client_origin(wid)
        path = self.drag_path(box, n + 1)
        machine = CpuLoad()
        sent = self.stroke(ox, oy, path)
        load = machine.busy()
        if kind == "line":
            # A held right button ends the tool.
            xdo("mousedown", 3)
            time.sleep(0.6)
            xdo("mouseup", 3)
            time.sleep(0.3)
        app.close(wid)
        tr = Trace(app.trace)
        got = tr.moves(sent[0] - 1000, sent[-1] + 1000000)
        moves = [(sent[i],) + got[p] for i, p in enumerate(path[1:]) if p in got]
        # Wine merges the moves that queue up until the program reads its
        # input. A lost move counts as lost while busy when the program
        # handled or painted all the time from the soonest it could have
        # arrived (its sending plus the fastest delivery seen) to the soonest
        # the next one could.
        spans = tr.busy_spans()
        fastest = min(m[1] - m[0] for m in moves)
        ours = sum(1 for i, p in enumerate(path[1:-1]) if p not in got and
                   busy_throughout(spans, sent[i] + fastest, sent[i + 1] + fastest))
        return moves, n, ours, busy_share(spans, sent[0], sent[-1]), load

    def open_time(self, launcher, tag):
        """Process start -> entry of our code (Wine's part) -> end of the
        first paint (ours), in wall and processor time, with the file read
        and the first paint on their own (ms)."""
        app = App(launcher, self.o.work, ["big.bmp"], tag)
        wid = find_window("big.bmp", proc=app.proc)
        app.wait_paint()
        app.close(wid)
        tr = Trace(app.trace)
        s, o, p = tr.of("S")[0], tr.of("O")[0], tr.of("P")[0]
        start = int(app.start * 1e6)
        return {"wine": (s[0] - start) / 1e3, "wine cpu": s[1] / 1e3,
                "ours": (p[1] - s[0]) / 1e3, "ours cpu": (p[5] - s[1]) / 1e3,
                "read": (o[1] - o[0]) / 1e3, "paint": (p[1] - p[0]) / 1e3}

    def hwm(self, pid):
        with open(f"/proc/{pid}/status") as f:
            for line in f:
                if line.startswith("VmHWM:"):
                    return int(line.split()[1]) * 1024
        fail("no VmHWM")

    def memory(self, launcher, tag):
        idle = App(launcher, self.o.work, ["tiny.pxa"], tag + "-idle")
        wid = find_window("tiny.pxa", proc=idle.proc)
        idle.wait_paint()
        time.sleep(1.0)
        base = self.hwm(idle.pid())
        idle.close(wid)

        app = App(launcher, self.o.work, ["flat.pxa"], tag)
        wid = find_window("flat.pxa", proc=app.proc)
        pid = app.pid()
        self.fit_client(app, wid)
        loaded = self.hwm(pid)
        tx, ty = self.tool_menu(app, wid, 820, 560)
        self.click(tx + 12, ty + 84)  # ペイント
        ox, oy = self.client_origin(wid)
        # Corners of the picture (fitted: x 128..895 of the client) that the
        # tool menu at the bottom right leaves free.
        corners = [(ox + 140, oy + 10), (ox + 880, oy + 10), (ox + 140, oy + 755)]
        flat = [screen_pixel(x, y) for x, y in corners]
        t = now_us()
        self.click(ox + 400, oy + 300)
        app.wait_paint(after=t)
        time.sleep(1.0)
        filled = self.hwm(pid)
        if any(screen_pixel(x, y) == c for (x, y), c in zip(corners, flat)):
            fail("the fill did not cover the picture")
        t = now_us()
        # 編集 > 元に戻す (the keyboard reaches the menu whatever window the
        # server puts on top)
        self.menu(wid, "Right", "Down", "Return")
        app.wait_paint(after=t)
        time.sleep(1.0)
        peak = self.hwm(pid)
        if [screen_pixel(x, y) for x, y in corners] != flat:
            fail("the undo did not bring the picture back")
        xdo("mousemove", ox + 500, oy + 300)
        xdo("mousedown", 3)
        time.sleep(0.6)
        xdo("mouseup", 3)
        time.sleep(0.3)
        app.close(wid)
        return base, loaded, filled, peak


def pct(v, q):
    v = sorted(v)
    return v[min(len(v) - 1, int(round(q * (len(v) - 1))))]


def summary(moves):
    """p50, p95 and maximum (ms) of the latency, the own share and the parts.
    A move is (sent, received, taken, handled, paint start, paint end,
    compose)."""
    rows = {
        "latency": [m[5] - m[1] for m in moves],
        "own": [(m[3] - m[2]) + m[6] for m in moves],
        "from sent": [m[5] - m[0] for m in moves],
        "delivery": [m[1] - m[0] for m in moves],
        "queued": [m[2] - m[1] for m in moves],
        "handling": [m[3] - m[2] for m in moves],
        "to paint": [m[4] - m[3] for m in moves],
        "paint": [m[5] - m[4] for m in moves],
        "compose": [m[6] for m in moves],
    }
    return {k: (pct(v, 0.5) / 1000, pct(v, 0.95) / 1000, max(v) / 1000) for k, v in rows.items()}


def make_pictures(work, tdeconv, only):
    def have(name):
        return os.path.exists(os.path.join(work, name))

    def run(*cmd):
        subprocess.run(cmd, cwd=work, check=True, stdout=subprocess.DEVNULL)

    if not have("big.bmp"):
        run("convert", "-size", f"{SIZE}x{SIZE}", "-seed", "7", "plasma:", "-type", "TrueColor",
            "BMP3:big.bmp")
    if "memory" not in only:
        return
    if not have("flat.pxa"):
        run("convert", "-size", f"{SIZE}x{SIZE}", "xc:#3060a0", "-type", "TrueColor",
            "BMP3:flat.bmp")
        run(tdeconv, "flat.bmp", "flat.pxa")
    if not have("tiny.pxa"):
        run("convert", "-size", "16x16", "xc:#3060a0", "-type", "TrueColor", "BMP3:tiny.bmp")
        run(tdeconv, "tiny.bmp", "tiny.pxa")


def attempt(what, run):
    """run(), again after a failure of the driving (a window that did not
    come, a key that went astray); three failures end the benchmark."""
    for _ in range(3):
        try:
            return run()
        except BenchError as e:
            end_all()
            print(f"# {what}: {e}; once more", flush=True)
            time.sleep(3)
    sys.exit(f"ui_bench: {what} failed three times")


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    ap.add_argument("launchers", nargs="+")
    ap.add_argument("--work", required=True, help="directory for pictures and traces")
    ap.add_argument("--tdeconv", required=True)
    ap.add_argument("--runs", type=int, default=3)
    ap.add_argument("--moves", type=int, default=500)
    ap.add_argument("--interval", type=float, default=8.0, help="ms between moves")
    ap.add_argument("--only", default="line,freehand,open,memory")
    o = ap.parse_args()
    only = o.only.split(",")
    make_pictures(o.work, o.tdeconv, only)
    d = Driver(o)
    # Builds by the name of their directory (BUILD/wine/tde.exe).
    names = [os.path.basename(os.path.dirname(os.path.dirname(os.path.abspath(x))))
             for x in o.launchers]

    def warm_up():
        # A first start brings up the Wine processes that later starts share.
        warm = App(o.launchers[0], o.work, ["big.bmp"], "warm")
        warm.close(find_window("big.bmp", proc=warm.proc))

    attempt("warming up", warm_up)
    print(f"# {time.strftime('%Y-%m-%d %H:%M')}  {os.cpu_count()} CPUs  load {loadavg():.2f}  "
          f"interval {o.interval:g} ms, {o.moves} moves")
    quiet = {}  # (scenario, build) -> (load, summary line) of the quietest run

    def note(kind, i, la, line):
        key = (kind, names[i])
        if key not in quiet or la < quiet[key][0]:
            quiet[key] = (la, line)

    for run in range(o.runs):
        for i, launcher in enumerate(o.launchers):
            tag = f"{i}-{run}"
            head = f"{names[i]:14s} run {run}"
            for kind in ("line", "freehand"):
                if kind not in only:
                    continue
                la = loadavg()
                moves, sent, ours, duty, cpu = attempt(
                    f"{kind} {head}", lambda: d.interaction(launcher, tag + kind, kind))
                s = summary(moves)
                print(f"{kind:8s} {head}  load {la:5.2f}  machine busy {cpu:3.0f}%  "
                      f"moves seen {len(moves)}/{sent} ({ours} lost while busy), program busy "
                      f"{100 * duty:3.0f}%, {len({m[4] for m in moves})} repaints")
                for k, (p50, p95, mx) in s.items():
                    print(f"    {k:9s} p50 {p50:7.2f}  p95 {p95:7.2f}  max {mx:7.2f} ms")
                note(kind, i, la, f"latency p95 {s['latency'][1]:5.2f} ms, own p95 "
                     f"{s['own'][1]:4.2f} ms, moves seen {len(moves)}/{sent}")
                sys.stdout.flush()
            if "open" in only:
                la = loadavg()
                t = attempt(f"open {head}", lambda: d.open_time(launcher, tag + "open"))
                print(f"open     {head}  load {la:5.2f}  "
                      f"Wine {t['wine']:6.0f} ms (cpu {t['wine cpu']:4.0f})  "
                      f"ours {t['ours']:6.0f} ms (cpu {t['ours cpu']:4.0f}): "
                      f"file read {t['read']:5.0f}, first paint {t['paint']:4.0f} ms")
                note("open", i, la, f"Wine {t['wine']:4.0f} ms, ours {t['ours']:4.0f} ms "
                     f"(cpu {t['ours cpu']:3.0f} ms)")
                sys.stdout.flush()
            if "memory" in only:
                la = loadavg()
                base, loaded, filled, peak = attempt(
                    f"memory {head}", lambda: d.memory(launcher, tag + "mem"))
                pix = SIZE * SIZE * 4
                mib = 1 << 20
                print(f"memory   {head}  load {la:5.2f}  idle {base / mib:6.1f} MiB"
                      f"  peak above idle: loaded {(loaded - base) / mib:6.1f}, filled "
                      f"{(filled - base) / mib:6.1f}, after undo {(peak - base) / mib:6.1f} MiB "
                      f"= {(peak - base) / pix:4.2f} x the pixel bytes")
                note("memory", i, la, f"peak {(peak - base) / mib:5.1f} MiB above idle = "
                     f"{(peak - base) / pix:4.2f} x the pixel bytes")
                sys.stdout.flush()
    print("# quietest run of each (lowest load at its start)")
    for (kind, name), (la, line) in sorted(quiet.items()):
        print(f"{kind:8s} {name:14s} load {la:5.2f}  {line}")


if __name__ == "__main__":
    try:
        main()
    finally:
        end_all()
