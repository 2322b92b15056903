#!/usr/bin/env python3
"""Drives the real program on the X server in $DISPLAY with random but
reproducible clicks, drags, wheel turns and keys over every control, the
about dialog, the pop-up menu and the model list, then checks that it is
alive, that Run still draws, and that its memory did not grow by more than
10 % after the baseline moment.

    monkey.py PROGRAM WORK_DIR [--seconds N] [--seed S] [--baseline N]

Never presses 終了 (nor Alt+E, nor space or Return, which press the focused
button), never types into or drags out of the text fields, and never
middle-clicks (that pastes): each of those legitimately ends the program or
changes a file name into one that is not there, which also ends it.
"""
import argparse
import os
import random
import signal
import subprocess
import sys
import time

# Client-area rectangles (x, y, width, height) in pixels at 96 dpi.
PANEL = (0, 0, 505, 499)
QUIT_BUTTON = (384, 512, 113, 49)  # 終了: never pressed
RUN_BUTTON = (264, 512, 113, 49)
TEXT_FIELDS = [(8, 520, 233, 18), (520, 480, 105, 18), (632, 480, 81, 20)]  # Text1, Text2, Combo1
MODEL_LIST = (8, 560, 233, 88)
SCROLL_BARS = [(520, 56 + 40 * i, 217, 17) for i in range(2)] + [
    (520, y, 217, 17) for y in (168, 208, 248, 288, 360, 400)] + [(520, 552, 201, 17), (520, 592, 201, 17)]
FORM_BACKGROUND = (252, 600)  # right-clicking here opens the window's own pop-up menu
SAFE_KEYS = ["Tab", "shift+Tab", "Up", "Down", "Left", "Right", "Prior", "Next", "Home", "End",
             "Escape", "alt+s", "alt+r", "alt+h"]


def inside(point, rect, margin=0):
    x, y = point
    rx, ry, rw, rh = rect
    return rx - margin <= x < rx + rw + margin and ry - margin <= y < ry + rh + margin


def xdo(*args, check=False):
    return subprocess.run(["xdotool", *map(str, args)], capture_output=True, text=True, timeout=30,
                          check=check).stdout.strip()


def rss_kib(pid):
    with open(f"/proc/{pid}/status") as status:
        for line in status:
            if line.startswith("VmRSS:"):
                return int(line.split()[1])
    return 0


def window_size(window):
    geometry = xdo("getwindowgeometry", window)
    for line in geometry.splitlines():
        if "Geometry:" in line:
            w, h = line.split()[-1].split("x")
            return int(w), int(h)
    return 505, 660


def panel_stats(path):
    out = subprocess.run(["convert", path, "-crop", "505x499+0+0", "-colorspace", "gray", "-format",
                          "%[fx:int(255*mean)] %[fx:int(255*standard_deviation)]", "info:"],
                         capture_output=True, text=True, timeout=60).stdout.split()
    return int(out[0]), int(out[1])


def differing_pixels(a, b):
    result = subprocess.run(["compare", "-metric", "AE", "-fuzz", "2%", a, b, "null:"], capture_output=True,
                            text=True, timeout=60)
    try:
        return int(float(result.stderr.split()[0]))
    except (IndexError, ValueError):
        return -1


class Monkey:
    def __init__(self, window, pid, rng):
        self.window, self.pid, self.rng = window, pid, rng
        self.actions = {}

    def count(self, kind):
        self.actions[kind] = self.actions.get(kind, 0) + 1

    def point(self, avoid_fields=False):
        w, h = window_size(self.window)
        while True:
            p = (self.rng.randrange(w), self.rng.randrange(h))
            if inside(p, QUIT_BUTTON, margin=6):
                continue
            if avoid_fields and any(inside(p, f, margin=4) for f in TEXT_FIELDS):
                continue
            return p

    def move(self, p):
        xdo("mousemove", "--window", self.window, p[0], p[1])

    def focus(self):
        xdo("windowfocus", self.window)

    def click(self):
        self.move(self.point())
        xdo("click", 1)
        self.count("click")

    def click_control(self):
        # Aimed at the controls themselves, which random points rarely hit.
        rect = self.rng.choice(SCROLL_BARS + [MODEL_LIST, RUN_BUTTON, (384, 568, 113, 25), (384, 600, 113, 25),
                                              (408, 632, 89, 15), (264, 632, 120, 15), (712, 480, 33, 19)])
        p = (rect[0] + self.rng.randrange(rect[2]), rect[1] + self.rng.randrange(rect[3]))
        self.move(p)
        xdo("click", 1)
        self.count("control click")

    def drag(self):
        start = self.point(avoid_fields=True)
        if self.rng.random() < 0.6:  # mostly along a scroll bar
            bar = self.rng.choice(SCROLL_BARS)
            start = (bar[0] + self.rng.randrange(bar[2]), bar[1] + bar[3] // 2)
        end = (max(0, start[0] + self.rng.randint(-300, 300)), max(0, start[1] + self.rng.randint(-40, 40)))
        self.move(start)
        xdo("mousedown", 1)
        for step in range(1, 5):
            self.move((start[0] + (end[0] - start[0]) * step // 4, start[1] + (end[1] - start[1]) * step // 4))
        xdo("mouseup", 1)
        self.count("drag")

    def wheel(self):
        target = self.rng.choice([MODEL_LIST, TEXT_FIELDS[2]] + SCROLL_BARS + [PANEL])
        self.move((target[0] + self.rng.randrange(target[2]), target[1] + self.rng.randrange(target[3])))
        xdo("click", "--repeat", self.rng.randint(1, 4), self.rng.choice([4, 5]))
        self.count("wheel")

    def key(self):
        self.focus()
        xdo("key", self.rng.choice(SAFE_KEYS))
        self.count("key")

    def model_list(self):
        x, y, w, h = MODEL_LIST
        self.move((x + self.rng.randrange(w), y + self.rng.randrange(h)))
        xdo("click", 1)
        self.count("model list")

    def popup_menu(self):
        # The window's own menu holds 実行 and 終了: 実行 is its first item.
        self.move(FORM_BACKGROUND)
        xdo("click", 3)
        time.sleep(0.3)
        if self.rng.random() < 0.5:
            xdo("key", "Escape")
        else:
            xdo("key", "Down", "Return")
        self.count("pop-up menu")

    def context_menu(self):
        # Any other right click: whatever menu opens is closed unused.
        self.move(self.point())
        xdo("click", 3)
        time.sleep(0.3)
        xdo("key", "Escape")
        self.count("right click")

    def about(self):
        self.focus()
        xdo("key", "alt+h")
        time.sleep(0.3)
        dialogs = xdo("search", "--onlyvisible", "--name", "バージョン情報").split()
        if dialogs and self.rng.random() < 0.7:
            # Clicks and wheel turns over the dialog, then 了承 (its button).
            for _ in range(self.rng.randint(1, 4)):
                xdo("mousemove", "--window", dialogs[0], self.rng.randrange(300), self.rng.randrange(280))
                xdo("click", self.rng.choice([1, 1, 4, 5]))
            xdo("mousemove", "--window", dialogs[0], 240, 256)
            xdo("click", 1)
        self.count("about dialog")

    def step(self):
        actions = [(self.click, 30), (self.click_control, 20), (self.drag, 12), (self.wheel, 10), (self.key, 14),
                   (self.model_list, 6), (self.popup_menu, 3), (self.context_menu, 2), (self.about, 3)]
        total = sum(weight for _, weight in actions)
        pick = self.rng.uniform(0, total)
        for action, weight in actions:
            pick -= weight
            if pick <= 0:
                action()
                return
        actions[0][0]()


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("program")
    parser.add_argument("work")
    parser.add_argument("--seconds", type=float, default=60)
    parser.add_argument("--seed", type=int, default=11)
    parser.add_argument("--baseline", type=float, default=None,
                        help="seconds after the start at which memory is first measured (default: a third of "
                             "the run, at most 60)")
    parser.add_argument("--pause", type=float, default=0.15, help="seconds between actions")
    args = parser.parse_args()
    if not os.environ.get("DISPLAY"):
        print("SKIP: needs an X server")
        return 0
    os.makedirs(args.work, exist_ok=True)
    baseline_at = args.baseline if args.baseline is not None else min(60.0, args.seconds / 3)
    program = os.path.abspath(args.program)
    process = subprocess.Popen([program], cwd=os.path.dirname(program), stderr=subprocess.PIPE)
    failures = []

    def check(what, ok):
        print(("ok   " if ok else "FAIL ") + what, flush=True)
        if not ok:
            failures.append(what)

    try:
        window = xdo("search", "--sync", "--onlyvisible", "--name", "^Orvane$").split()[0]
        time.sleep(0.5)
        xdo("windowfocus", "--sync", window)
        xdo("key", "alt+s")  # a model is showing from the start
        time.sleep(1.5)
        rng = random.Random(args.seed)
        monkey = Monkey(window, process.pid, rng)
        start = time.monotonic()
        baseline_rss = None
        steps = 0
        while time.monotonic() - start < args.seconds and process.poll() is None:
            monkey.step()
            steps += 1
            time.sleep(args.pause)
            if baseline_rss is None and time.monotonic() - start >= baseline_at and process.poll() is None:
                baseline_rss = rss_kib(process.pid)
        alive = process.poll() is None
        check(f"alive after {steps} actions in {time.monotonic() - start:.0f} s (seed {args.seed}; "
              f"{', '.join(f'{k} {v}' for k, v in sorted(monkey.actions.items()))})", alive)
        if not alive:
            print(process.stderr.read().decode(errors="replace"))
            return 1

        # Calm: close any menu or dialog, record what is on the screen.
        xdo("windowfocus", window)
        for _ in range(2):
            xdo("key", "Escape")
        for dialog in xdo("search", "--onlyvisible", "--name", "バージョン情報").split():
            xdo("mousemove", "--window", dialog, 240, 256)
            xdo("click", 1)
        time.sleep(2)
        end_rss = rss_kib(process.pid)
        subprocess.run(["import", "-window", "root", os.path.join(args.work, "screen-at-end.png")], timeout=60)
        for w in xdo("search", "--onlyvisible", "--pid", process.pid).split():
            print(f"  visible window {w}: '{xdo('getwindowname', w)}' {xdo('getwindowgeometry', w).splitlines()[1:]}")

        # The width toggle (詳細設定) answers.
        width_before = window_size(window)[0]
        xdo("mousemove", "--window", window, 412, 639)
        xdo("click", 1)
        width_after = width_before
        for _ in range(50):
            time.sleep(0.1)
            width_after = window_size(window)[0]
            if abs(width_after - width_before) > 200:
                break
        check(f"the width toggle still answers ({width_before} -> {width_after} px)",
              abs(width_after - width_before) > 200)

        # Run draws: the settings reset, a model that fills the panel named
        # in the file name box, then 実行.
        before = os.path.join(args.work, "before-run.png")
        after = os.path.join(args.work, "after-run.png")
        xdo("mousemove", "--window", window, 440, 580)
        xdo("click", 1)  # 設定リセット
        time.sleep(1)
        xdo("mousemove", "--window", window, 120, 529)
        xdo("click", 1)
        xdo("key", "ctrl+a")
        xdo("type", "X-File\\vorkan.x")
        subprocess.run(["import", "-window", window, before], timeout=60)
        xdo("mousemove", "--window", window, RUN_BUTTON[0] + 56, RUN_BUTTON[1] + 24)
        xdo("click", 1)
        time.sleep(3)
        subprocess.run(["import", "-window", window, after], timeout=60)
        mean, spread = panel_stats(after)
        changed = differing_pixels(before, after)
        check(f"Run still draws (panel mean {mean}, spread {spread}, {changed} px changed)",
              process.poll() is None and mean > 3 and spread > 8 and changed > 0)
        growth = 100.0 * (end_rss - baseline_rss) / baseline_rss if baseline_rss else 0.0
        check(f"memory: {baseline_rss} KiB at {baseline_at:.0f} s, {end_rss} KiB at the end "
              f"({growth:+.1f} %, at most +10 %)", baseline_rss is not None and growth <= 10.0)
    finally:
        if process.poll() is None:
            process.send_signal(signal.SIGTERM)
            try:
                process.wait(timeout=10)
            except subprocess.TimeoutExpired:
                process.kill()
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
