#!/usr/bin/env python3
"""Runs shell commands alternately and prints, for each, the median wall time,
the median CPU time (user + system of the whole process tree) and both as a
ratio to the first command (above 1: the first command is faster).
    race.py RUNS CMD0 CMD1 ...
"""
import resource
import statistics
import subprocess
import sys
import time


def cpu():
    r = resource.getrusage(resource.RUSAGE_CHILDREN)
    return r.ru_utime + r.ru_stime


def main():
    runs = int(sys.argv[1])
    cmds = sys.argv[2:]
    wall = [[] for _ in cmds]
    used = [[] for _ in cmds]
    for _ in range(runs):
        for i, c in enumerate(cmds):
            c0, t0 = cpu(), time.perf_counter()
            subprocess.run(c, shell=True, check=True,
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            wall[i].append(time.perf_counter() - t0)
            used[i].append(cpu() - c0)
    w = [statistics.median(t) for t in wall]
    u = [statistics.median(t) for t in used]
    for c, wm, um in zip(cmds, w, u):
        print("  wall %7.1f ms x%5.2f   cpu %7.1f ms x%5.2f   %s"
              % (wm * 1000, wm / w[0], um * 1000, um / u[0], c))


main()
