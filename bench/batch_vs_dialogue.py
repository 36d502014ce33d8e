#!/usr/bin/env python3
"""Instructions per stand table (callgrind): the batch against the dialogue on the same work.

    batch_vs_dialogue.py ZIREZE [PLOTS]

Writes the workload of make_scenario.py (PLOTS plots, default 100, each under three regimes),
counts the instructions of `zireze run --jobs 1` on it, then types each stand and regime into
the dialogue as a person would (one session per run) and counts those. A session's process
start (the instructions of a session that ends at its first reply) is taken off each session,
since the batch starts once. Prints instructions per stand table for both, and their ratio."""
import csv
import os
import re
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))


def instructions(cmd, stdin=b"", cwd=None):
    out = subprocess.run(["valgrind", "--tool=callgrind", "--callgrind-out-file=/dev/null"] + cmd,
                         input=stdin, cwd=cwd, capture_output=True)
    return int(re.search(rb"Collected : (\d+)", out.stderr).group(1))


def regimes(scenario_text):
    """The regimes of make_scenario.py's file: lists of ("rows", 3), ("selective", x), ("grow", a)."""
    out = []
    for block in scenario_text.split("[[regime]]")[1:]:
        steps = []
        for m in re.finditer(r'\{ *(thin = "rows", one_in = (\d+)|thin = "selective", '
                             r'residual_basal_area = ([\d.]+)|grow_to = ([\d.]+)) *\}', block):
            if m.group(2):
                steps.append(("rows", m.group(2)))
            elif m.group(3):
                steps.append(("selective", m.group(3)))
            else:
                steps.append(("grow", m.group(4)))
        out.append(steps)
    return out


def replies(plot, steps):
    """The replies that describe the plot and take the steps, a thinning and a projection per pass."""
    r = ["r.txt", "1", plot["age"]]
    r += [plot["site_class"]] if plot["site_class"] else ["0", plot["dominant_height"]]
    if plot["a"]:
        r += ["0", "2", plot["trees"], plot["a"], plot["b"], plot["c"]]
    elif plot["dmin"]:
        r += ["0", "3", plot["trees"], plot["basal_area"], plot["dmin"], plot["p90"]]
    else:
        r += ["1"]
        r += [plot["trees"]] if plot["trees"] else ["0"] + (
            [plot["basal_area"]] if plot["basal_area"] else ["0", plot["trees_planted"]])
    r.append("0")  # QUER TERMINAR ?
    thinning = []
    for kind, value in steps:
        if kind == "rows":
            thinning = ["1", "1", "0", "1"] if value == "3" else None
        elif kind == "selective":
            thinning = ["1", "2", value]
        else:
            r += (thinning or ["0"]) + [value, "0"]
            thinning = []
    r[-1] = "1"  # the last QUER TERMINAR? ends the session
    return ("\n".join(r) + "\n").encode()


def main():
    zireze = os.path.abspath(sys.argv[1])
    plots = sys.argv[2] if len(sys.argv) > 2 else "100"
    work = tempfile.mkdtemp()
    subprocess.run([sys.executable, os.path.join(HERE, "make_scenario.py"), plots, work], check=True)
    batch = instructions([zireze, "run", "scenario.toml", "--out", "out", "--jobs", "1"], cwd=work)
    with open(os.path.join(work, "out", "stands.csv")) as f:
        tables = sum(1 for _ in f) - 1
    with open(os.path.join(work, "out", "runs.csv")) as f:
        refused = {(r["stand"], r["regime"]) for r in csv.DictReader(f) if r["status"] != "ok"}
    with open(os.path.join(work, "scenario.toml")) as f:
        regime_steps = regimes(f.read())
    start = instructions([zireze], b"r.txt\n", cwd=work)
    dialogue = 0
    sessions = 0
    with open(os.path.join(work, "plots.csv")) as f:
        plot_rows = list(csv.DictReader(f))
    ids = ["unthinned", "rows-then-selective", "selective"]
    for plot in plot_rows:
        for rid, steps in zip(ids, regime_steps):
            if (plot["id"], rid) in refused:
                continue  # the dialogue would ask again; the batch stops
            dialogue += instructions([zireze], replies(plot, steps), cwd=work) - start
            sessions += 1
    with open(os.path.join(work, "out", "stands.csv")) as f:
        dialogue_tables = sum(1 for r in csv.DictReader(f) if (r["stand"], r["regime"]) not in refused)
    print(f"batch:    {batch:,} instructions, {tables} tables, {batch / tables:,.0f} per table")
    print(f"dialogue: {dialogue:,} instructions in {sessions} sessions (each less {start:,} for "
          f"the process start), {dialogue_tables} tables, {dialogue / dialogue_tables:,.0f} per table")
    print(f"ratio batch/dialogue per table: {batch / tables / (dialogue / dialogue_tables):.3f}")


main()
