"""plan_scenario against `zireze plan`: the same tables; and the plan checked from the command's
own run files alone: every candidate's figures recomputed from stands.csv, values.csv and
cashflows.csv, every constraint rebuilt and holding, the objective proved optimal by the dual
prices in constraints.csv (the dual objective equals it, every reduced cost is in its place),
periods.csv recomputed from plan.csv, and plan.toml re-run to the chosen regimes' rows."""
import math
import sqlite3
import subprocess
import numpy as np
import pandas
import pytest

import zireze
from conftest import assert_matches_csv

TABLES = ("candidates", "candidate_flows", "plan", "periods", "constraints", "solution")
SCENARIO = {
    "economics": {"discount_rate": 0.03, "sawlog": 55, "roundwood": 30, "residue": 2,
                  "thinning": 250, "thinning_per_m3": 8, "felling": 150, "felling_per_m3": 6,
                  "annual": 15, "establishment": 1500, "fire_hazard": 0.01},
    "optimize": {"objective": "npv", "thinnings": 1, "rotation": [30, 55]},
    "plan": {"horizon": 20, "period": 5, "flow": "vol_tot", "tolerance": 0.1,
             "ending_volume": 0.5},
    "stand": [
        {"id": "a", "age": 20, "site_class": 16, "trees": 1500, "area": 12.5},
        {"id": "b", "age": 24, "site_class": 18, "trees": 1100, "area": 30},
        {"id": "c", "age": 17.5, "dominant_height": 9.5, "basal_area": 21.5, "area": 7.25},
        {"id": "d", "age": 28, "site_class": 14,
         "weibull": {"trees": 900, "a": 5, "b": 12, "c": 2.4}, "area": 20},
        {"id": "e", "age": 33, "site_class": 20, "trees_planted": 2200},
    ],
    "regime": [
        {"id": "wait", "steps": [{"grow_by": 25}]},
        {"id": "thin-fell", "steps": [{"grow_by": 3}, {"thin": "selective",
         "residual_basal_area": 16}, {"grow_by": 12}, {"fell": True}]},
    ],
}


def f32(text):
    """A figure of stands.csv as the program holds it: the float its text reads as."""
    return float(np.float32(text)) if text != "" else math.nan


def candidates_from_runs(out, plan):
    """Each ok run's figures, per hectare, recomputed from the run files."""
    P = plan["horizon"] // plan["period"]
    states = pandas.read_csv(out / "stands.csv", dtype=str, keep_default_na=False)
    cash = pandas.read_csv(out / "cashflows.csv", dtype=str, keep_default_na=False)
    values = pandas.read_csv(out / "values.csv", dtype=str, keep_default_na=False)
    runs = pandas.read_csv(out / "runs.csv", dtype=str, keep_default_na=False)
    revenue = {(r.stand, r.regime, r.step): float(r.revenue) for r in cash.itertuples()
               if r.step != ""}
    npv = {(r.stand, r.regime): float(r.npv) for r in values.itertuples() if r.npv != ""}
    out_figures = {}
    for run in runs[runs.status == "ok"].itertuples():
        key = (run.stand, run.regime)
        if key not in npv:
            continue  # no felling: the objective npv cannot use it
        rows = states[(states.stand == run.stand) & (states.regime == run.regime)]
        a0 = f32(rows.age.iloc[0])
        flows, felled = [0.0] * P, None
        for s in rows.itertuples():
            if s.removed_vol_tot == "":
                continue
            y = math.floor(f32(s.age) - a0 + 0.001)
            if y >= plan["horizon"]:
                continue
            flows[y // plan["period"]] += f32(s.removed_vol_tot)
            if s.event == "felled":
                felled = y // plan["period"] + 1
            assert (key + (s.step,)) in revenue
        out_figures[key] = {"coefficient": npv[key], "flows": flows, "felled": felled,
                            "today": f32(rows.vol_tot.iloc[0])}
    return out_figures


def close(a, b, rel=1e-9):
    return abs(a - b) <= rel * max(1.0, abs(a), abs(b))


def test_plan_equals_the_command_and_holds_from_its_own_files(tmp_path, program):
    (tmp_path / "plan.toml").write_text(zireze.scenario_to_toml(SCENARIO))
    out = tmp_path / "o"
    done = subprocess.run([program, "plan", str(tmp_path / "plan.toml"), "--out", str(out),
                           "--jobs", "1", "--sqlite", str(tmp_path / "p.db")],
                          capture_output=True, text=True)
    assert done.returncode == 0, done.stderr
    with sqlite3.connect(tmp_path / "p.db") as db:
        for name in TABLES + ("stands", "values"):
            assert_matches_csv(out / f"{name}.csv", pandas.read_sql(f'select * from "{name}"', db))
    r = zireze.plan_scenario(SCENARIO, jobs=2)
    for name in TABLES:
        assert_matches_csv(out / f"{name}.csv", getattr(r, name))
    assert r.plan_toml == (out / "plan.toml").read_text()
    assert r.status == "optimal"

    plan = SCENARIO["plan"]
    P = plan["horizon"] // plan["period"]
    figures = candidates_from_runs(out, plan)
    cands = pandas.read_csv(out / "candidates.csv", keep_default_na=False)
    flows = pandas.read_csv(out / "candidate_flows.csv")
    assert set(zip(cands.stand, cands.regime)) == set(figures)
    area = {s["id"]: s.get("area", 1) for s in SCENARIO["stand"]}
    for c in cands.itertuples():
        f = figures[(c.stand, c.regime)]
        assert close(c.coefficient, f["coefficient"]) and c.area == area[c.stand]
        assert (int(c.felling_period) if c.felling_period != "" else None) == f["felled"]
        if f["felled"]:
            assert c.ending_vol_tot == 0
        rows = flows[(flows.stand == c.stand) & (flows.regime == c.regime)]
        assert rows.period.tolist() == list(range(1, P + 1))
        assert all(close(x, y) for x, y in zip(rows.flow, f["flows"]))
        assert rows.felled.tolist() == [int(k == f["felled"]) for k in range(1, P + 1)]
    assert {c for c in cands.regime if c.startswith("fell-")} >= {"fell-later"}

    # The program rebuilt from those figures: columns are candidates.csv's rows.
    shares = {(p.stand, p.regime): p.share for p in r.plan.itertuples()}
    x = [shares.get((c.stand, c.regime), 0.0) for c in cands.itertuples()]
    obj = [c.area * c.coefficient for c in cands.itertuples()]
    key = list(zip(cands.stand, cands.regime))
    F = [[c.area * figures[k]["flows"][p] for c, k in zip(cands.itertuples(), key)]
         for p in range(P)]
    rows = {}  # name -> (coefficients, sense, rhs)
    for s in area:
        rows[f"shares:{s}"] = ([float(k[0] == s) for k in key], "=", 1.0)
    t = plan["tolerance"]
    for p in range(1, P):
        rows[f"flow_not_below:{p + 1}"] = ([a - (1 - t) * b for a, b in zip(F[p], F[p - 1])],
                                           ">=", 0.0)
        rows[f"flow_not_above:{p + 1}"] = ([a - (1 + t) * b for a, b in zip(F[p], F[p - 1])],
                                           "<=", 0.0)
    today = {k[0]: f["today"] for k, f in figures.items()}
    today = sum(area[s] * today[s] for s in area)
    rows["ending_volume"] = ([c.area * c.ending_vol_tot for c in cands.itertuples()], ">=",
                             plan["ending_volume"] * today)
    constraints = r.constraints.set_index("name")
    assert list(constraints.index) == list(rows)
    scale = max(abs(v) for v in obj)
    for name, (a, sense, rhs) in rows.items():
        lhs = sum(ai * xi for ai, xi in zip(a, x))
        assert close(rhs, constraints.rhs[name], 1e-12)
        assert close(lhs, constraints.lhs[name], 1e-9), name
        room = 1e-6 * max(1.0, abs(rhs), max(abs(v) for v in a))
        assert {"=": abs(lhs - rhs) <= room, ">=": lhs >= rhs - room,
                "<=": lhs <= rhs + room}[sense], name
    objective = sum(o * xi for o, xi in zip(obj, x))
    assert close(objective, r.solution.objective[0], 1e-12)
    # Optimal: the dual prices are of the right signs, price no column above its
    # objective, price exactly those in the plan, and give the same objective.
    y = {name: constraints.dual[name] for name in rows}
    for name, (_, sense, _) in rows.items():
        assert {"=": True, ">=": y[name] <= 1e-9 * scale, "<=": y[name] >= -1e-9 * scale}[sense]
    for j in range(len(x)):
        reduced = obj[j] - sum(y[n] * rows[n][0][j] for n in rows)
        assert reduced <= 1e-7 * scale, key[j]
        if x[j] > 0:
            assert abs(reduced) <= 1e-7 * scale, key[j]
    dual_objective = sum(y[n] * rows[n][2] for n in rows)
    assert close(dual_objective, objective, 1e-7)

    # periods.csv from plan.csv and the candidates' rows.
    periods = pandas.read_csv(out / "periods.csv")
    for p in range(P):
        want = sum(F[p][j] * x[j] for j in range(len(x)))
        assert close(periods.flow[p], want, 1e-9) and close(periods.vol_tot[p], want, 1e-9)
        felled = sum(cands.area[j] * x[j] for j in range(len(x)) if figures[key[j]]["felled"]
                     == p + 1)
        assert close(periods.felled_area[p], felled, 1e-9)

    # plan.toml re-runs the chosen regimes to the same rows.
    rerun = zireze.run_scenario(r.plan_scenario)
    states = pandas.read_csv(out / "stands.csv", dtype=str, keep_default_na=False)
    chosen = set(shares)
    want = states[[(s, g) in chosen for s, g in zip(states.stand, states.regime)]]
    got = rerun.stands
    assert len(got) == len(want)
    assert list(zip(got.stand, got.regime, got.step)) == \
        list(zip(want.stand, want.regime, want.step.astype(int)))
    assert [float(np.float32(v)) for v in want.vol_tot] == got.vol_tot.tolist()


def test_each_searched_candidate_is_the_optimum_of_its_window():
    r = zireze.plan_scenario(SCENARIO, jobs=1)
    space, period = SCENARIO["optimize"], SCENARIO["plan"]["period"]
    searched = r.candidates[r.candidates.regime.str.startswith("fell-")]
    assert len(searched) > 5
    for c in searched.itertuples():
        stand = next(s for s in SCENARIO["stand"] if s["id"] == c.stand)
        k = c.regime[len("fell-"):]
        first, last = ((int(k) - 1) * period, int(k) * period - 1) if k != "later" else (20, 999)
        rotation = [max(space["rotation"][0], stand["age"] + first),
                    min(space["rotation"][1], stand["age"] + last)]
        narrowed = dict(SCENARIO, stand=[stand], optimize=dict(space, rotation=rotation))
        found = zireze.optimize_scenario(narrowed, jobs=1).optimum
        assert found.value[0] == c.coefficient, (c.stand, c.regime)


def test_an_infeasible_plan_names_what_to_relax_and_integer_plans_choose_one(tmp_path, program):
    scenario = dict(SCENARIO, plan=dict(SCENARIO["plan"], ending_volume=3))
    (tmp_path / "bad.toml").write_text(zireze.scenario_to_toml(scenario))
    done = subprocess.run([program, "plan", str(tmp_path / "bad.toml"), "--out",
                           str(tmp_path / "o")], capture_output=True, text=True)
    assert done.returncode == 3 and "ending_volume (short by" in done.stderr, done.stderr
    r = zireze.plan_scenario(scenario, jobs=1)
    assert r.status == "infeasible" and r.plan.empty
    violation = r.constraints.set_index("name").violation
    assert violation["ending_volume"] > 0 and (violation >= 0).all()

    loose = dict(SCENARIO["plan"], tolerance=0.9)  # five stands, one regime each: some room
    linear = zireze.plan_scenario(dict(SCENARIO, plan=loose), jobs=1)
    whole = zireze.plan_scenario(dict(SCENARIO, plan=dict(loose, integer=True)))
    assert whole.solution.solver[0].startswith("CBC ")
    assert whole.plan.share.tolist() == [1.0] * len(whole.plan)
    assert sorted(whole.plan.stand) == sorted(s["id"] for s in SCENARIO["stand"])
    assert whole.solution.objective[0] <= linear.solution.objective[0] * (1 + 1e-12)
    assert whole.solution.gap[0] <= 1e-4

    # Without limits, each stand takes its best candidate.
    free = zireze.plan_scenario(dict(SCENARIO, plan={"flow": "none", "horizon": 20}))
    best = free.candidates.assign(v=free.candidates.area * free.candidates.coefficient)
    assert close(free.solution.objective[0], best.groupby("stand").v.max().sum(), 1e-12)


def test_hostile_plans_are_scenario_problems():
    for plan, told in [({"horizon": 0}, "horizon"), ({"period": 7}, "period"),
                       ({"flow": "npv"}, "flow"), ({"tolerance": -1}, "tolerance"),
                       ({"gap": float("nan")}, "gap"), ({"integer": 1}, "integer")]:
        with pytest.raises(zireze.ScenarioError, match=told):
            zireze.plan_scenario(dict(SCENARIO, plan=plan))
    with pytest.raises(zireze.ScenarioError, match="area"):
        zireze.plan_scenario(dict(SCENARIO, stand=[dict(SCENARIO["stand"][0], area=-2)]))
    with pytest.raises(zireze.ScenarioError, match=r"no \[plan\] table"):
        zireze.plan_scenario({k: v for k, v in SCENARIO.items() if k != "plan"})
