#!/usr/bin/env python3
"""A monkey test of the real editor: a long, random but reproducible stream of
what a person can do, sent with xdotool to the program under X.

    monkey.py [--seed N] [--actions N] [--bound S] [--keep DIR] [--hold]

Environment: TDE_EXE (the program's launcher), TDE_TDECONV (the converter),
DISPLAY. The program runs in a fresh folder on pictures of both depths, with
TDE_TRACE set: after every action the pointer is moved over a document
window and the trace must show the program taking that mouse message within
the bound, or the run counts as a hang. A crash (the process gone while
windows were open, a non-zero exit code, an assertion on standard output)
fails the run. When the last window closes, the program is started again. At
the end every window is closed, unsaved work discarded; the program must end
with exit code 0, and every picture file in the folder must load again.
Resident memory after the run must stay within --memory times its size after
start-up plus 64 MB.

On failure the seed and the last actions are printed; run again with the
same --seed to replay.
"""
import argparse
import os
import random
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import uuid

from tagged import VAR as TAG_VAR, tagged_pid

SAVE_QUESTION = "ファイルは変更されています"
PICTURE_SUFFIXES = (".bmp", ".pxa", ".tif", ".ppm", ".pgm", ".pbm", ".ico", ".cur",
                    ".sbf", ".png", ".jpg")


def xdo(*args):
    subprocess.run(["xdotool", *map(str, args)], stdout=subprocess.DEVNULL,
                   stderr=subprocess.DEVNULL, check=False)


def xdo_out(*args):
    r = subprocess.run(["xdotool", *map(str, args)], capture_output=True, text=True,
                       check=False)
    return r.stdout


class Program:
    """The editor under test, started in `folder` with a trace file."""

    def __init__(self, exe, folder, names):
        self.exe, self.folder, self.names = exe, folder, names
        self.proc = None
        self.trace = os.path.join(folder, "trace.txt")
        self.out = None
        self.starts = 0
        self.tag = ""
        self.trace_seen = self.trace_count = 0
        self.wine_pid = None
        self.killed_after_end = 0

    def start(self):
        self.tag = uuid.uuid4().hex
        self.trace_seen = 0  # the new program writes the trace afresh
        self.wine_pid = None
        env = dict(os.environ, TDE_TRACE=self.trace, **{TAG_VAR: self.tag})
        self.out = open(os.path.join(self.folder, f"stdout.{self.starts}"), "wb")
        self.proc = subprocess.Popen([self.exe, *self.names], cwd=self.folder, env=env,
                                     stdout=self.out, stderr=subprocess.DEVNULL)
        self.starts += 1

    def running(self):
        return self.proc is not None and self.proc.poll() is None

    def pid(self):
        """The Wine process that runs this program (not the launcher), found
        by a tag in its environment: other editors on the machine are not
        ours to measure or stop."""
        if not (self.wine_pid and os.path.exists(f"/proc/{self.wine_pid}")):
            self.wine_pid = tagged_pid(self.tag)
        return self.wine_pid

    def kill(self):
        pid = self.pid()
        if pid:
            try:
                os.kill(pid, signal.SIGKILL)
            except OSError:
                pass
        if self.running():
            self.proc.kill()

    def rss_kb(self):
        pid = self.pid()
        if not pid:
            return 0
        try:
            with open(f"/proc/{pid}/status") as f:
                for line in f:
                    if line.startswith("VmRSS:"):
                        return int(line.split()[1])
        except OSError:
            pass
        return 0

    def ended_normally(self):
        """The program's code reached its end with exit code 0 (the trace's
        E line). Wine kills a process with SIGKILL when its exit takes more
        than a second after the last thread ended, which a loaded machine
        can make happen; that is no fault of the program."""
        code = self.proc.returncode
        if code == 0:
            return True
        try:
            with open(self.trace, "rb") as f:
                f.seek(max(0, os.path.getsize(self.trace) - 256))
                last = f.read().splitlines()[-1:]
        except OSError:
            return False
        if code == -signal.SIGKILL and last and re.fullmatch(rb"E \d+ 0", last[0]):
            self.killed_after_end += 1
            return True
        return False

    def cpu_seconds(self):
        """Processor time the program has used (user and system)."""
        pid = self.pid()
        try:
            with open(f"/proc/{pid}/stat") as f:
                fields = f.read().rsplit(")", 1)[1].split()
            return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")
        except (OSError, IndexError, ValueError, TypeError):
            return None

    def stdout_text(self):
        text = b""
        for i in range(self.starts):
            try:
                with open(os.path.join(self.folder, f"stdout.{i}"), "rb") as f:
                    text += f.read()
            except OSError:
                pass
        return text.decode("cp932", "replace")

    def trace_lines(self):
        """Mouse messages taken so far; reads only what was added since the
        last call (the file grows through a long run)."""
        try:
            with open(self.trace, "rb") as f:
                f.seek(self.trace_seen)
                new = f.read()
        except OSError:
            return self.trace_count
        cut = new.rfind(b"\n") + 1  # a line still being written is read next time
        self.trace_count += (b"\n" + new[:cut]).count(b"\nQ ")
        self.trace_seen += cut
        return self.trace_count


def windows():
    """Visible top-level windows: (id, name, x, y, w, h), in one xdotool call
    (geometries first, then the names in the same order)."""
    out = xdo_out("search", "--onlyvisible", "--name", ".", "getwindowgeometry", "--shell",
                  "%@", "getwindowname", "%@").split("\n")
    geos = []
    while out and out[0].startswith("WINDOW="):
        vals = {}
        while out and "=" in out[0] and not (vals and out[0].startswith("WINDOW=")):
            key, _, value = out.pop(0).partition("=")
            vals[key] = value
        geos.append(vals)
    result = []
    for vals, name in zip(geos, out):
        name = name.strip()
        if name in ("", "Default IME") or not all(k in vals for k in "XY"):
            continue
        result.append((vals["WINDOW"], name, int(vals["X"]), int(vals["Y"]), int(vals["WIDTH"]),
                       int(vals["HEIGHT"])))
    return result


class Monkey:
    def __init__(self, args):
        self.rnd = random.Random(args.seed)
        self.args = args
        self.log = []
        self.folder = args.keep or tempfile.mkdtemp(prefix="tde-monkey-")
        os.makedirs(self.folder, exist_ok=True)
        self.names = self.make_pictures()
        self.prog = Program(os.environ["TDE_EXE"], self.folder, self.names)

    def make_pictures(self):
        conv = os.environ["TDE_TDECONV"]
        names = []
        for n, (size, kind) in enumerate([(24, "P6"), (32, "P5"), (48, "P6")]):
            raw = os.path.join(self.folder, f"m{n}.{'ppm' if kind == 'P6' else 'pgm'}")
            chans = 3 if kind == "P6" else 1
            data = bytes(self.rnd.randrange(256) for _ in range(size * size * chans))
            with open(raw, "wb") as f:
                f.write(b"%s %d %d 255\n" % (kind.encode(), size, size) + data)
            name = f"m{n}.bmp"
            subprocess.run([conv, raw, os.path.join(self.folder, name)], check=True,
                           stdout=subprocess.DEVNULL)
            os.remove(raw)
            names.append(name)
        return names

    def note(self, text):
        self.log.append(text)
        if len(self.log) > 60:
            self.log.pop(0)

    def fail(self, why):
        print(f"FAIL: {why}", file=sys.stderr)
        if self.prog.running():
            self.describe_running()
        print(f"seed {self.args.seed}; last actions:", file=sys.stderr)
        for line in self.log[-40:]:
            print("  " + line, file=sys.stderr)
        print(f"folder: {self.folder}", file=sys.stderr)
        print("windows: " + ", ".join(f"{w[1]!r} at {w[2]},{w[3]} {w[4]}x{w[5]}"
                                      for w in windows()), file=sys.stderr)
        if self.args.hold and self.prog.running():
            print(f"the program is left running (pid {self.prog.pid()})", file=sys.stderr)
            sys.exit(1)
        self.prog.kill()
        sys.exit(1)

    def describe_running(self):
        """What a program that stopped answering is doing: busy or waiting,
        what the screen shows and the state of its windows."""
        # Busy (a loop) or waiting (a modal state the monkey did not
        # answer): the processor time over two seconds tells which.
        before = self.prog.cpu_seconds()
        time.sleep(2)
        after = self.prog.cpu_seconds()
        if before is not None and after is not None:
            print(f"the program used {after - before:.2f} s of processor time in the "
                  "last 2 s", file=sys.stderr)
        shot = os.path.join(self.folder, "failure.png")
        subprocess.run(["import", "-window", "root", shot], check=False,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        print(f"screen: {shot}", file=sys.stderr)
        state = os.path.join(os.path.dirname(self.prog.exe), "tde_winstate.exe")
        if os.path.exists(state):
            try:
                r = subprocess.run([state], capture_output=True, timeout=30, check=False)
                print("window state:\n" + r.stdout.decode("cp932", "replace").rstrip(),
                      file=sys.stderr)
            except subprocess.TimeoutExpired:
                print("window state: no answer", file=sys.stderr)

    # -- what a person does --------------------------------------------------
    def target(self):
        wins = windows()
        if not wins:
            return None
        return self.rnd.choice(wins)

    def point_in(self, win):
        _, _, x, y, w, h = win
        return x + self.rnd.randrange(max(1, w)), y + self.rnd.randrange(max(1, h))

    def act(self):
        win = self.target()
        if not win:
            return
        kinds = [("drag", 14), ("click", 10), ("right_click", 8), ("right_hold", 10),
                 ("menu", 10), ("key", 12), ("type", 4), ("close", 3), ("tool_button", 8),
                 ("dialog", 8), ("wheel", 3)]
        kind = self.rnd.choices([k for k, _ in kinds], [w for _, w in kinds])[0]
        getattr(self, "do_" + kind)(win)

    def do_drag(self, win):
        x0, y0 = self.point_in(win)
        self.note(f"drag in {win[1]!r} from {x0},{y0}")
        xdo("mousemove", x0, y0)
        xdo("mousedown", 1)
        for _ in range(self.rnd.randrange(1, 6)):
            x, y = self.point_in(win)
            time.sleep(0.03)
            xdo("mousemove", x, y)
        time.sleep(self.rnd.choice([0.05, 0.25]))
        xdo("mouseup", 1)

    def do_click(self, win):
        x, y = self.point_in(win)
        self.note(f"click {win[1]!r} at {x},{y}")
        xdo("mousemove", x, y, "click", 1)

    def do_right_click(self, win):
        x, y = self.point_in(win)
        self.note(f"quick right click {win[1]!r} at {x},{y}")
        xdo("mousemove", x, y, "click", 3)

    def do_right_hold(self, win):
        x, y = self.point_in(win)
        item = self.rnd.randrange(-1, 5)
        self.note(f"right hold {win[1]!r} at {x},{y}, release on item {item}")
        xdo("mousemove", x, y, "mousedown", 3)
        time.sleep(0.25)  # beyond a quick click's 160 ms
        xdo("mousemove", x + 12, y + 15 + 16 * item)
        time.sleep(0.1)
        xdo("mouseup", 3)

    def do_tool_button(self, win):
        menus = [w for w in windows() if w[1] == "ツール"]
        if not menus:
            return self.do_right_hold(win)
        m = self.rnd.choice(menus)
        col, row = self.rnd.randrange(5), self.rnd.randrange(7)
        button = self.rnd.choice([1, 1, 1, 3])
        self.note(f"tool menu button {col},{row} with button {button}")
        xdo("mousemove", "--window", m[0], 24 * col + 12, 24 * row + 12, "click", button)

    def do_menu(self, win):
        keys = ["Right"] * self.rnd.randrange(5) + ["Down"] * self.rnd.randrange(1, 8)
        keys += [self.rnd.choice(["Right", "Return", "Return", "Escape"])]
        keys += ["Return"] if keys[-1] == "Right" else []
        self.note(f"menu of {win[1]!r}: F10 {' '.join(keys)}")
        xdo("windowfocus", win[0])
        time.sleep(0.1)
        for k in ["F10", *keys]:
            xdo("key", k)
            time.sleep(0.05)

    def do_key(self, win):
        key = self.rnd.choice(["Escape", "Return", "Tab", "space", "Down", "Up", "n", "y",
                               "BackSpace", "ctrl+c", "a", "1", "Left", "Right"])
        self.note(f"key {key} to {win[1]!r}")
        xdo("windowfocus", win[0])
        time.sleep(0.05)
        xdo("key", key)

    def do_type(self, win):
        text = self.rnd.choice(["12", "300", "0", "-5", "abc", "9999999999", "x.bmp",
                                "pic.png", "a.pxa"])
        self.note(f"type {text!r} to {win[1]!r}")
        xdo("windowfocus", win[0])
        time.sleep(0.05)
        xdo("type", "--delay", 30, text)

    def do_close(self, win):
        self.note(f"close {win[1]!r} with Escape")
        xdo("windowfocus", win[0])
        time.sleep(0.05)
        xdo("key", "Escape")

    def do_dialog(self, win):
        keys = [self.rnd.choice(["Tab", "Down", "Up", "space", "Right"])
                for _ in range(self.rnd.randrange(1, 5))]
        keys.append(self.rnd.choice(["Return", "Escape", "Tab"]))
        self.note(f"keys {' '.join(keys)} to {win[1]!r}")
        xdo("windowfocus", win[0])
        for k in keys:
            xdo("key", k)
            time.sleep(0.04)

    def do_wheel(self, win):
        x, y = self.point_in(win)
        self.note(f"wheel over {win[1]!r}")
        xdo("mousemove", x, y, "click", self.rnd.choice([4, 5]))

    # -- checks ---------------------------------------------------------------
    def check_alive(self):
        """The program answers: a move over a document reaches its queue."""
        if not self.prog.running():
            if not self.prog.ended_normally():
                self.fail(f"the program ended with exit code {self.prog.proc.returncode}")
            self.note("the program ended (last window closed); started again")
            self.prog.start()
            self.wait_window()
            return
        docs = [w for w in windows() if w[1].lower().endswith(PICTURE_SUFFIXES)]
        if not docs:
            return
        before = self.prog.trace_lines()
        start = time.time()
        deadline = start + self.args.bound
        escaped = 0
        while time.time() < deadline:
            x, y = self.point_in(self.rnd.choice(docs))
            xdo("mousemove", x, y)
            time.sleep(0.1)
            if self.prog.trace_lines() > before:
                return
            if not self.prog.running():
                return self.check_alive()
            # A modal dialog disables the documents under it, which then take
            # no mouse message: answer it with Esc as a person would (a hung
            # program does not take the key either).
            if time.time() - start > 1.2 * (escaped + 1) and escaped < 8:
                escaped += 1
                self.escape_dialogs()
                self.click_outside()
        self.fail(f"no answer within {self.args.bound} s")

    def click_outside(self):
        """A context list whose right button went up before it appeared, or
        the menu bar entered with F10, holds the mouse until a click: moves
        reach no document meanwhile. Clicks outside every window end both."""
        sw, sh = (int(v) for v in xdo_out("getdisplaygeometry").split()[:2])
        wins = windows()
        for x, y in ((sw - 2, sh - 2), (2, sh - 2), (sw - 2, 2), (sw // 2, sh - 2)):
            if not any(wx <= x < wx + ww and wy <= y < wy + wh for _, _, wx, wy, ww, wh in wins):
                self.note(f"liveness: clicks outside at {x},{y}")
                xdo("mousemove", x, y, "click", 3)
                time.sleep(0.1)
                xdo("click", 1)
                return

    def escape_dialogs(self):
        # First to whatever has the keyboard, as a person would press it: a
        # dialog that took a key before it was first shown (a dialog shows
        # itself when its queue runs empty) may be in its system menu's
        # loop while still unseen; Esc twice ends that and the dialog shows.
        self.note("liveness: Escape, Escape to the keyboard focus")
        xdo("key", "Escape")
        time.sleep(0.1)
        xdo("key", "Escape")
        time.sleep(0.2)
        for wid, name, *_ in windows():
            if name.lower().endswith(PICTURE_SUFFIXES) or name in ("ツール", "カラーマップ"):
                continue
            self.note(f"liveness: Escape to {name!r}")
            xdo("windowfocus", wid)
            xdo("key", "Escape")
            time.sleep(0.2)

    def wait_window(self):
        for _ in range(200):
            if any(w[1].lower().endswith(PICTURE_SUFFIXES) for w in windows()):
                return
            if not self.prog.running():
                self.fail("the program ended before its window appeared")
            time.sleep(0.1)
        self.fail("no window after start")

    def finish(self):
        """Closes every window, discarding unsaved work, one window at a time:
        Esc to a document while a save question is open would nest a second
        question, and both stay until the inner one is answered."""
        deadline = time.time() + 180
        tries = 0
        while self.prog.running() and time.time() < deadline:
            wins = windows()
            questions = [w for w in wins if w[1] == SAVE_QUESTION]
            docs = [w for w in wins if w[1].lower().endswith(PICTURE_SUFFIXES)]
            others = [w for w in wins if w not in questions and w not in docs]
            if questions:
                # "いいえ" by the mouse: questions of several documents lie on
                # top of each other, and the key goes astray among them.
                _, _, x, y, w, h = questions[0]
                xdo("mousemove", x + w * 515 // 1000, y + h * 73 // 100, "click", 1)
            elif others or docs:
                # Rotates, should a window not close on Esc.
                pool = others or docs
                wid = pool[tries % len(pool)][0]
                tries += 1
                xdo("windowfocus", wid)
                xdo("key", "Escape")
            self.wait_change(wins)
        if self.prog.running():
            self.fail("the program did not end when every window was closed")
        if not self.prog.ended_normally():
            self.fail(f"exit code {self.prog.proc.returncode}")

    def wait_change(self, before, seconds=4.0):
        end = time.time() + seconds
        while time.time() < end and self.prog.running():
            time.sleep(0.2)
            if windows() != before:
                return

    def check_files(self):
        conv = os.environ["TDE_TDECONV"]
        for name in sorted(os.listdir(self.folder)):
            if not name.lower().endswith(PICTURE_SUFFIXES):
                continue
            path = os.path.join(self.folder, name)
            r = subprocess.run([conv, "-i", path], capture_output=True)
            if r.returncode != 0:
                self.fail(f"saved file {name} does not load again")

    def run(self):
        began = time.time()
        self.prog.start()
        self.wait_window()
        time.sleep(1)
        base = self.prog.rss_kb()
        peak = base
        for i in range(self.args.actions):
            self.act()
            time.sleep(0.05)
            if i % 5 == 4 or not self.prog.running():
                self.check_alive()
            peak = max(peak, self.prog.rss_kb())
        self.check_alive()
        end = self.prog.rss_kb()
        peak = max(peak, end)
        text = self.prog.stdout_text()
        if "assert" in text.lower() or "アサート" in text:
            self.fail("an assertion on standard output")
        self.finish()
        self.check_files()
        limit = base * self.args.memory + 64 * 1024
        print(f"seed {self.args.seed}: {self.args.actions} actions, {self.prog.starts} starts, "
              f"resident {base // 1024} MB after start, {end // 1024} MB at the end, "
              f"peak {peak // 1024} MB (bound {limit // 1024} MB); "
              f"{(time.time() - began) / 60:.0f} minutes"
              + (f"; {self.prog.killed_after_end} exits cut short by Wine after the program's end"
                 if self.prog.killed_after_end else ""))
        if end > limit:
            self.fail(f"resident memory {end} kB beyond {limit} kB")
        if not self.args.keep:
            shutil.rmtree(self.folder, ignore_errors=True)


def main():
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("--seed", type=int, default=int(time.time()) % 100000)
    ap.add_argument("--actions", type=int, default=300)
    ap.add_argument("--bound", type=float, default=15.0, help="seconds to answer")
    ap.add_argument("--memory", type=float, default=2.0,
                    help="resident memory bound, times the size after start-up")
    ap.add_argument("--keep", help="folder to work in and keep")
    ap.add_argument("--hold", action="store_true",
                    help="on a failure, leave the program running for a look")
    args = ap.parse_args()
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(1))
    Monkey(args).run()


if __name__ == "__main__":
    main()
