#!/usr/bin/env python3
"""Writes docs/performance.md from one benchmark run: the timed run's JSON and the callgrind dumps.

Usage: report.py RUN_DIR > docs/performance.md
RUN_DIR holds timing.json (Google Benchmark's JSON output), classic/cg.out.* and compat/cg.out.*
(callgrind dumps of `codebreaker_bench --callgrind=N` on classic SDL and on sdl12-compat, one
thread per file) and machine.txt (lines "key: value" about the machine and the libraries).
"""
import collections
import glob
import json
import os
import re
import sys

GOAL_INSTRUCTIONS = 450_000
GOAL_STARTUP_MS = 50
GOAL_RSS_KIB = 12 * 1024
GOAL_DEEP_RATIO = 10
DEEP_RATIO_SCREENS = ("title", "game_empty", "game_six_rows", "game_seven_rows")

SCREENS = [
    ("title", "title menu"),
    ("selection", "Quick Game selection"),
    ("round", "round screen (round 1)"),
    ("game_empty", "game, empty board"),
    ("game_six_rows", "game, six judged rows"),
    ("game_seven_rows", "game, seven full rows (lost)"),
    ("win", "win screen"),
    ("loss", "loss screen"),
    ("help", "help"),
    ("error_text", "error screen, its text frame"),
]

# Where a frame's instructions go, by the game's own call that spends them (inclusive costs of
# these caller -> callee edges in the call graph).
PARTS = [
    ("fill", "fill_screen(int, int, int)", "SDL_FillRect"),
    ("pictures", "drawSprite(SDL_Surface*, SDL_Surface*, int, int, int, int, int, int)", "SDL_UpperBlit"),
    ("text: render", "DrawText(SDL_Surface*, char const*, int, int, int, int, int)", "TTF_RenderText_Blended"),
    ("text: blend", "DrawText(SDL_Surface*, char const*, int, int, int, int, int)", "SDL_UpperBlit"),
    ("text: free", "DrawText(SDL_Surface*, char const*, int, int, int, int, int)", "SDL_FreeSurface"),
    ("present", "present()", "SDL_Flip"),
]


class Dump:
    """One callgrind dump: its label, total, self cost per function and inclusive cost per call."""

    def __init__(self, path):
        self.label, self.total = None, 0
        self.self_cost = collections.Counter()
        self.calls = collections.Counter()
        self.call_counts = collections.Counter()
        fn = ob = cfn = cob = None
        after_calls = False
        with open(path, errors="replace") as f:
            for line in f:
                line = line.rstrip("\n")
                if line.startswith("desc: Trigger: Client Request: "):
                    self.label = line.split("Client Request: ", 1)[1]
                elif line.startswith("summary:") or line.startswith("totals:"):
                    self.total = int(line.split()[1])
                elif line.startswith("ob="):
                    ob = os.path.basename(line[3:])
                elif line.startswith("fn="):
                    fn = (line[3:], ob)
                elif line.startswith("cob="):
                    cob = os.path.basename(line[4:])
                elif line.startswith("cfn="):
                    cfn = line[4:]
                elif line.startswith("calls="):
                    after_calls = True
                    count = int(line[6:].split()[0])
                elif line[:1].isdigit() or line[:1] in "+-*":
                    fields = line.split()
                    cost = int(fields[1]) if len(fields) > 1 else 0
                    if after_calls:
                        self.calls[(fn[0], cfn)] += cost
                        self.call_counts[(fn[0], cfn)] += count
                        after_calls, cob = False, None
                    else:
                        self.self_cost[fn] += cost

    def frames(self):
        return int(self.label.rsplit("/", 1)[1])

    def per_frame(self, cost):
        return cost / self.frames()


def load_dumps(folder):
    dumps = {}
    for path in glob.glob(os.path.join(folder, "cg.out.*")):
        d = Dump(path)
        if d.label:
            set_name, screen, _ = d.label.split("/")
            dumps[(set_name, screen)] = d
    return dumps


def load_timing(path):
    with open(path) as f:
        data = json.load(f)
    medians = {}
    for b in data["benchmarks"]:
        if b.get("aggregate_name") != "median":
            continue
        name = re.sub(r"/iterations:\d+|/manual_time|/repeats:\d+", "", b["run_name"])
        medians[name] = b
    return data.get("context", {}), medians


def thousands(n):
    return f"{round(n):,}"


def micro(b):
    unit = {"ns": 1e-3, "us": 1.0, "ms": 1e3, "s": 1e6}[b["time_unit"]]
    return b["real_time"] * unit


def frame_table(classic, compat, medians):
    rows = [
        "| screen | instructions per frame | floor (fills and copies) | frame / floor | "
        "24-bit pictures | 24-bit / shipped | on sdl12-compat | time per frame | 24-bit time | "
        "floor time | within 450,000 |",
        "|---|---:|---:|---:|---:|---:|---:|---:|---:|---:|:---:|",
    ]
    for key, title in SCREENS:
        shipped, deep, floor = (classic[(s, key)] for s in ("shipped", "24bit", "floor"))
        n, f, d = (x.per_frame(x.total) for x in (shipped, floor, deep))
        compat_n = compat.get(("shipped", key))
        compat_cell = thousands(compat_n.per_frame(compat_n.total)) if compat_n else "n/a"
        times = [medians.get(f"frame/{s}/{key}") for s in ("shipped", "24bit", "floor")]
        cells = [f"{micro(t):.1f} µs" if t else "n/a" for t in times]
        rows.append(
            f"| {title} | {thousands(n)} | {thousands(f)} | {n / f:.2f} | {thousands(d)} | "
            f"{d / n:.1f} | {compat_cell} | {cells[0]} | {cells[1]} | {cells[2]} | "
            f"{'yes' if n <= GOAL_INSTRUCTIONS else 'no'} |")
    return "\n".join(rows)


DRAW_TEXT = PARTS[2][1]


def texts_per_frame(d):
    return d.per_frame(sum(n for (caller, callee), n in d.call_counts.items() if callee == DRAW_TEXT))


def text_cost(d):
    return d.per_frame(sum(c for (caller, callee), c in d.calls.items() if caller == DRAW_TEXT))


def parts_table(classic):
    names = [p[0] for p in PARTS]
    rows = ["| screen | " + " | ".join(names) + " | the rest | total | texts | per text |",
            "|---|" + "---:|" * (len(names) + 4)]
    for key, title in SCREENS:
        d = classic[("shipped", key)]
        costs = [d.per_frame(d.calls[(caller, callee)]) for _, caller, callee in PARTS]
        rest = d.per_frame(d.total) - sum(costs)
        n = texts_per_frame(d)
        per_text = thousands(text_cost(d) / n) if n else "-"
        rows.append(f"| {title} | " + " | ".join(thousands(c) for c in costs) +
                    f" | {thousands(rest)} | {thousands(d.per_frame(d.total))} | {n:g} | {per_text} |")
    return "\n".join(rows)


def functions_table(d, count=12):
    rows = ["| instructions per frame | share | function | library |", "|---:|---:|---|---|"]
    for (fn, ob), cost in d.self_cost.most_common(count):
        rows.append(f"| {thousands(d.per_frame(cost))} | {100 * cost / d.total:.1f} % | "
                    f"`{fn[:90]}` | {ob} |")
    return "\n".join(rows)


def kerning(d):
    """Instructions per frame under FreeType's kerning look-up, wherever SDL_ttf calls it."""
    return d.per_frame(sum(c for (caller, callee), c in d.calls.items() if callee == "FT_Get_Kerning"))


def main():
    run = sys.argv[1]
    classic = load_dumps(os.path.join(run, "classic"))
    compat = load_dumps(os.path.join(run, "compat"))
    context, medians = load_timing(os.path.join(run, "timing.json"))
    machine = {}
    with open(os.path.join(run, "machine.txt")) as f:
        for line in f:
            k, _, v = line.partition(":")
            machine[k.strip()] = v.strip()

    startup = medians["startup/first_frame"]
    libraries = medians["startup/libraries_only"]
    game_kib = startup["peak_rss_KiB"]
    libs_kib = libraries["peak_rss_KiB"]
    frames = classic[("shipped", "title")].frames()
    over = [title for key, title in SCREENS
            if classic[("shipped", key)].per_frame(classic[("shipped", key)].total) > GOAL_INSTRUCTIONS]

    out = []
    out.append("# Performance\n")
    out.append("Every screen draws its whole frame each time the event queue runs empty, so the cost "
               "of a frame is the player's input latency and, on the handheld, the battery's drain. "
               "These figures come from `bench/` (`codebreaker_bench`), which draws each screen's frame "
               "through the screens' own code on SDL's dummy video and audio drivers, from the "
               "committed `data/`.\n")
    out.append("Reproduce with one command, which rebuilds the benchmark, runs it timed and under "
               "callgrind, and rewrites this file:\n")
    out.append("```sh\nscripts/benchmark.sh\n```\n")
    out.append(f"Measured {machine.get('date', '?')} on {machine.get('cpu', '?')} "
               f"({context.get('num_cpus', '?')} cores, load average "
               f"{', '.join(f'{x:.2f}' for x in context.get('load_avg', [])) or '?'}), "
               f"{machine.get('system', '?')}, {machine.get('compiler', '?')}, build type "
               f"{machine.get('build_type', '?')}; classic SDL {machine.get('sdl', '?')}, "
               f"sdl12-compat {machine.get('sdl12_compat', '?')}, SDL_ttf {machine.get('sdl_ttf', '?')}, "
               f"FreeType {machine.get('freetype', '?')}, valgrind {machine.get('valgrind', '?')}.\n")

    out.append("## Every frame\n")
    out.append(f"Instructions per frame are callgrind's count (x86-64, classic SDL 1.2 unless the "
               f"column says otherwise) over {frames} frames of each screen, divided by {frames}, on "
               f"the main thread (the dummy audio driver's mixing thread is left out); they repeat "
               f"from run to run within a few dozen instructions. Times are the median of Google Benchmark's repeated runs. "
               f"The **floor** is the same frame's fills and picture copies alone, replayed from "
               f"what the screen drew: the least that drawing this frame can cost, text aside. "
               f"**24-bit pictures** are the same frames drawn from the same pictures re-saved as "
               f"24-bit BMPs in a temporary folder (never shipped), so that every copy converts its "
               f"pixels to the screen's 5-6-5. The shipped pictures are the full screens in the screen's own "
               f"5-6-5 and the keyed pictures of up to 256 colours at 8 bits with a palette of "
               f"5-6-5 colours (the others at 5-6-5).\n")
    out.append(frame_table(classic, compat, medians) + "\n")
    ratios = {key: classic[("24bit", key)].total / classic[("shipped", key)].total
              for key in DEEP_RATIO_SCREENS}
    out.append("Goals: every screen within 450,000 instructions per frame "
               + (f"(**not met** by {', '.join(over)}: see below)" if over else "(met)")
               + "; at least 10 times fewer than the 24-bit pictures on the title menu and the game "
               + "screen (" + ", ".join(f"{k} {v:.1f}×" for k, v in ratios.items()) + ").\n")

    out.append("## Where each frame's instructions go\n")
    out.append("Per frame, by the game's own call that spends them (callgrind's inclusive cost of "
               "the call): the fills, the picture copies (`drawSprite`), and for text "
               "`TTF_RenderText_Blended` (render), the copy of the rendered text onto the screen "
               "(blend) and freeing it. The rest is the game's own code (the rows' judging, the "
               "drawing functions themselves) and the calls' own overhead.\n")
    out.append(parts_table(classic) + "\n")
    sel = classic[("shipped", "selection")]
    out.append(f"FreeType's kerning look-ups (`FT_Get_Kerning` and below) cost "
               f"{thousands(kerning(sel))} instructions per frame of the selection.\n")
    help_compat = compat.get(("shipped", "help"))
    if help_compat:
        flip = help_compat.per_frame(help_compat.calls[("present()", "SDL_Flip")])
        out.append(f"On sdl12-compat, presenting a frame (`SDL_Flip`, which hands the 16-bit "
                   f"screen to SDL2) costs {thousands(flip)} instructions by itself, against "
                   f"{thousands(classic[('shipped', 'help')].per_frame(classic[('shipped', 'help')].calls[('present()', 'SDL_Flip')]))} "
                   f"on classic SDL with the dummy driver; that is most of each frame there.\n")
    for key in ("selection", "game_seven_rows"):
        title = dict(SCREENS)[key]
        out.append(f"### Callgrind's per-function table: {title}\n")
        out.append("Self cost per frame; unnamed addresses are functions of a library without "
                   "its symbols.\n")
        out.append(functions_table(classic[("shipped", key)]) + "\n")

    out.append("## Start-up and memory\n")
    out.append(f"Start-up to the first presented frame, from the fork of a fresh process of "
               f"`codebreaker_first_frame` (the game's start-up and its title menu's first frame, "
               f"linked exactly as the game is) to the moment that frame is presented: median "
               f"**{startup['real_time']:.1f} ms** (goal: at most {GOAL_STARTUP_MS} ms).\n")
    out.append(f"Peak resident memory of that whole start-up: **{game_kib / 1024:.1f} MiB** "
               f"({thousands(game_kib)} KiB; goal: at most 12 MiB). A program that does nothing "
               f"but load the same libraries (`codebreaker_libraries_only`: SDL 1.2, SDL_ttf, "
               f"SDL_mixer and everything Debian builds them with) peaks at "
               f"**{libs_kib / 1024:.1f} MiB** ({thousands(libs_kib)} KiB), so the game's own share "
               f"(pictures, font, screen, sound buffers) is {thousands(game_kib - libs_kib)} KiB.\n")

    history = os.path.join(os.path.dirname(os.path.abspath(__file__)), "history.md")
    if os.path.exists(history):
        with open(history) as f:
            out.append(f.read().strip() + "\n")
    print("\n".join(out))


if __name__ == "__main__":
    main()
