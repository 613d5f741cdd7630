#!/usr/bin/env python3
"""Long editing runs: the resident memory of the whole program (the Wine
process of tde.exe.so, VmRSS) while a person edits for a long time.

    longrun.py [--size N] [--ops N] [--windows N] [--cmaps N] [--bound MB]

Environment: TDE_EXE, TDE_TDECONV, DISPLAY. The program opens an N x N
direct-colour picture (default 2048) and, driven through its menus from the
keyboard and its context menu with the mouse:

  1. runs --ops whole-picture operations (+90°, グレースケールに変換, -90°), each
     its own undo step, with 元に戻す after every second one;
  2. opens and closes --windows windows (編集 › 複製 of the picture);
  3. opens and closes the colour-map window --cmaps times.

Resident memory is sampled after start-up and through every phase. Each
phase must end within --bound MB above the level after start-up plus two
copies of the picture's pixels (the one undo step kept holds one), or the
run fails. Prints one line per phase, for docs/reliability.md.
"""
import argparse
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import uuid

from tagged import VAR as TAG_VAR, tagged_pid


def xdo(*args):
    subprocess.run(["xdotool", *map(str, args)], stdout=subprocess.DEVNULL,
                   stderr=subprocess.DEVNULL, check=False)


def xdo_out(*args):
    return subprocess.run(["xdotool", *map(str, args)], capture_output=True, text=True,
                          check=False).stdout


def visible(name):
    """X ids of the visible windows titled exactly `name`."""
    pattern = "^" + "".join("\\" + c if c in "[].*^$?+(){}|\\" else c for c in name) + "$"
    return xdo_out("search", "--onlyvisible", "--name", pattern).split()


class Editor:
    """The program, found by a tag in its environment (not by its name, so
    that other runs on the machine are left alone)."""

    def __init__(self, folder, name):
        self.folder, self.name = folder, name
        self.tag = uuid.uuid4().hex
        self.trace = os.path.join(folder, "trace.txt")
        env = dict(os.environ, TDE_TRACE=self.trace, **{TAG_VAR: self.tag})
        self.out = open(os.path.join(folder, "stdout"), "wb")
        self.proc = subprocess.Popen([os.environ["TDE_EXE"], name], cwd=folder, env=env,
                                     stdout=self.out, stderr=subprocess.DEVNULL)
        self._pid = None

    def pid(self):
        if self._pid and os.path.exists(f"/proc/{self._pid}"):
            return self._pid
        self._pid = tagged_pid(self.tag)
        return self._pid

    def rss_mb(self):
        pid = self.pid()
        if pid:
            with open(f"/proc/{pid}/status") as f:
                for line in f:
                    if line.startswith("VmRSS:"):
                        return int(line.split()[1]) / 1024
        raise SystemExit("FAIL: the program is not running")

    def paints(self):
        try:
            with open(self.trace, "rb") as f:
                return f.read().count(b"\nP ")
        except OSError:
            return 0

    def running(self):
        return self.proc.poll() is None


def wait_for(what, test, limit=60.0):
    end = time.time() + limit
    while time.time() < end:
        r = test()
        if r:
            return r
        time.sleep(0.05)
    raise SystemExit(f"FAIL: {what} within {limit:.0f} s")


class Run:
    def __init__(self, args):
        self.args = args
        self.folder = tempfile.mkdtemp(prefix="tde-longrun-")
        self.name = "long.bmp"
        self.make_picture()
        self.ed = Editor(self.folder, self.name)
        self.doc = wait_for("no picture window", lambda: visible(self.name), 120)[0]
        time.sleep(2)
        self.rows = []
        self.retries = 0

    def make_picture(self):
        n = self.args.size
        raw = os.path.join(self.folder, "long.ppm")
        row = bytes(v for x in range(n) for v in (x & 255, (x >> 3) & 255, 77))
        with open(raw, "wb") as f:
            f.write(b"P6 %d %d 255\n" % (n, n))
            for y in range(n):
                k = 3 * (y % n)
                f.write(row[k:] + row[:k])
        subprocess.run([os.environ["TDE_TDECONV"], raw, os.path.join(self.folder, self.name)],
                       check=True, stdout=subprocess.DEVNULL)
        os.remove(raw)

    def command(self, *keys):
        """A menu entry from the keyboard; waits for the window to repaint.
        On a busy machine a key now and then misses the menu (the menu bar
        stays selected): Escape leaves it and the entry is chosen again."""
        for _ in range(3):
            before = self.ed.paints()
            xdo("windowfocus", self.doc)
            time.sleep(0.05)
            xdo("key", "--delay", 40, "F10", *keys)
            end = time.time() + 20
            while time.time() < end:
                if self.ed.paints() > before:
                    return
                time.sleep(0.05)
            self.retries += 1
            xdo("key", "Escape", "Escape")
            time.sleep(0.5)
        raise SystemExit("FAIL: no repaint after " + " ".join(keys))

    def sample(self, peak):
        return max(peak, self.ed.rss_mb())

    def record(self, phase, start, peak, count, secs):
        end = self.ed.rss_mb()
        self.rows.append((phase, start, peak, end, count, secs))
        with open("/proc/loadavg") as f:
            load = f.read().split()[0]
        print(f"{phase}: {secs:.0f} s (load {load}); resident {start:.0f} MB before, "
              f"peak {peak:.0f} MB, {end:.0f} MB after", flush=True)
        return end

    def undo_steps(self):
        ops = [("+90°", ("Right", "Right", "Down", "Down", "Right", "Return")),
               ("grey", ("Right", "Right", "Down", "Right", "Return")),
               ("-90°", ("Right", "Right", "Down", "Down", "Right", "Down", "Return"))]
        undo = ("Right", "Down", "Return")
        start = peak = self.ed.rss_mb()
        t0 = time.time()
        for i in range(self.args.ops):
            self.command(*ops[i % 3][1])
            if i % 2 == 1:
                self.command(*undo)
            if i % 25 == 0:
                peak = self.sample(peak)
        return self.record(f"{self.args.ops} whole-picture undo steps", start, peak,
                           self.args.ops, time.time() - t0)

    def close(self, wid, gone, what):
        """Closes a window with Escape, answering いいえ to the save question,
        until gone() says it is gone."""
        xdo("windowfocus", wid)
        time.sleep(0.1)
        xdo("key", "Escape")
        for _ in range(100):
            q = visible("ファイルは変更されています")
            if q:
                xdo("windowfocus", q[0])
                time.sleep(0.1)
                xdo("key", "n")
            if gone():
                return
            time.sleep(0.2)
        raise SystemExit(f"FAIL: {what} did not close")

    def windows(self):
        start = peak = self.ed.rss_mb()
        t0 = time.time()
        for i in range(self.args.windows):
            xdo("windowfocus", self.doc)
            time.sleep(0.05)
            xdo("key", "--delay", 40, "F10", "Right", "Down", "Down", "Down", "Down", "Down",
                "Return")
            wid = wait_for("no copy window", lambda: visible("複製.pxa"))[0]
            time.sleep(0.3)
            peak = self.sample(peak)
            self.close(wid, lambda: wid not in visible("複製.pxa"), "a copy window")
        return self.record(f"{self.args.windows} windows opened and closed", start, peak,
                           self.args.windows, time.time() - t0)

    def cmaps(self):
        start = peak = self.ed.rss_mb()
        t0 = time.time()
        geo = dict(l.split("=") for l in xdo_out("getwindowgeometry", "--shell",
                                                 self.doc).split())
        x = int(geo["X"]) + int(geo["WIDTH"]) // 2
        y = int(geo["Y"]) + int(geo["HEIGHT"]) // 2
        for i in range(self.args.cmaps):
            xdo("mousemove", x, y)
            time.sleep(0.1)
            xdo("mousedown", 3)
            time.sleep(0.4)
            xdo("mousemove", x + 12, y + 47)  # "カラーマップ", third item
            time.sleep(0.3)
            xdo("mouseup", 3)
            cm = wait_for("no colour-map window", lambda: visible("カラーマップ"))[0]
            time.sleep(0.3)
            peak = self.sample(peak)
            xdo("windowfocus", cm)
            time.sleep(0.1)
            xdo("key", "Escape")
            wait_for("the colour-map window stays", lambda: not visible("カラーマップ"))
        return self.record(f"colour-map window {self.args.cmaps} times", start, peak,
                           self.args.cmaps, time.time() - t0)

    def finish(self):
        self.close(self.doc, lambda: not self.ed.running(), "the program")
        if self.ed.proc.returncode != 0:
            raise SystemExit(f"FAIL: exit code {self.ed.proc.returncode}")

    def main(self):
        base = self.ed.rss_mb()
        picture = self.args.size * self.args.size * 4 / 2**20
        limit = base + 2 * picture + self.args.bound
        with open("/proc/loadavg") as f:
            load = f.read().split()[:3]
        print(f"picture {self.args.size} x {self.args.size} direct colour ({picture:.0f} MB); "
              f"{os.cpu_count()} cores, load {' '.join(load)}; resident after start-up "
              f"{base:.0f} MB; bound {limit:.0f} MB", flush=True)
        failed = []
        for phase in (self.undo_steps, self.windows, self.cmaps):
            end = phase()
            if end > limit:
                failed.append(f"{self.rows[-1][0]}: {end:.0f} MB > {limit:.0f} MB")
        self.finish()
        print(f"menu entries chosen again after a missed key: {self.retries}")
        if failed:
            raise SystemExit("FAIL: " + "; ".join(failed))
        print("ok")


def kill_program(run):
    """A failed run leaves a screenshot in its folder and no program behind
    (this run's only, by pid)."""
    if not run:
        return
    shot = os.path.join(run.folder, "failed.png")
    subprocess.run(["import", "-window", "root", shot], check=False)
    print(f"screen at the failure: {shot}", file=sys.stderr)
    pid = run.ed.pid()
    if pid:
        os.kill(pid, signal.SIGKILL)


def main():
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("--size", type=int, default=2048)
    ap.add_argument("--ops", type=int, default=1000)
    ap.add_argument("--windows", type=int, default=100)
    ap.add_argument("--cmaps", type=int, default=100)
    ap.add_argument("--bound", type=float, default=32.0,
                    help="MB allowed above start-up plus one undo step")
    run = None
    try:
        run = Run(ap.parse_args())
        run.main()
    except SystemExit as e:
        if e.code not in (None, 0):
            print(e.code, file=sys.stderr)
            kill_program(run)
        sys.exit(0 if e.code in (None, 0) else 1)
    shutil.rmtree(run.folder, ignore_errors=True)


if __name__ == "__main__":
    main()
