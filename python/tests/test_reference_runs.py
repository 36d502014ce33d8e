"""The reference runs through Python: each scenario of tests/batch/golden repeats the stand and
steps of one reference run. Built through the Stand API, its tables print as the run's console
and report print them; run_scenario gives the run's report byte for byte, and its rows hold the
very floats of the Stand API's stands and tables."""
import tomllib

import numpy as np
import pandas as pd
import pytest

import zireze
from conftest import GOLDEN, SCENARIOS

DAP_HEADER = "  DAP     N.ARV."


def stand_of(entry):
    site = {k: entry[k] for k in ("site_class", "dominant_height") if k in entry}
    if "counts" in entry:
        return zireze.Stand.from_counts(age=entry["age"], counts=entry["counts"], **site)
    if "weibull" in entry:
        return zireze.Stand.from_weibull(age=entry["age"], **site, **entry["weibull"])
    if "attributes" in entry:
        return zireze.Stand.from_attributes(age=entry["age"], **site, **entry["attributes"])
    density = {k: entry[k] for k in ("trees", "basal_area", "trees_planted") if k in entry}
    return zireze.Stand.unthinned(age=entry["age"], **site, **density)


def states_of(scenario):
    (entry,) = scenario["stand"]
    states = [stand_of(entry)]
    for step in (scenario.get("regime") or [{"steps": []}])[0]["steps"]:
        s = states[-1]
        if "grow_to" in step:
            states.append(s.project(age=step["grow_to"]))
        elif step["thin"] == "rows":
            states.append(s.thin_rows(one_in=step["one_in"]))
        else:
            states.append(s.thin_selective(residual_basal_area=step["residual_basal_area"]))
    return states


def assert_in_order(texts, whole):
    at = 0
    for i, text in enumerate(texts):
        found = whole.find(text, at)
        assert found >= 0, f"table {i} not where the reference run has it:\n{text}"
        at = found + len(text)
    assert whole.count(DAP_HEADER) == len(texts)


@pytest.mark.parametrize("path", SCENARIOS, ids=lambda p: p.stem)
def test_reference_run(path):
    scenario = tomllib.loads(path.read_text())
    bark = scenario.get("bark", True)
    states = states_of(scenario)
    tables = [s.table(bark=bark) for s in states]
    console = (GOLDEN / f"{path.stem}.out").read_bytes().decode("latin-1")
    report = (GOLDEN / f"{path.stem}.rep").read_bytes().decode("latin-1")
    assert_in_order([str(t) for t in tables], console)
    assert_in_order([t.report_text() for t in tables], report)

    r = zireze.run_scenario(path, reports=True, jobs=2)
    assert list(r.reports.values()) == [report]
    assert list(r.runs["status"]) == ["ok"]

    # The batch's rows are the Stand API's floats, not merely the same when printed.
    api = [
        [s.age, s.site_class, s.dominant_height, s.trees, s.basal_area, t.dq, s.dmin, s.a, s.b,
         s.c, t.totals.n, t.totals.g, t.totals.h, t.totals.vol_tot, t.totals.vol_rol,
         t.totals.vol_mad]
        for s, t in zip(states, tables)
    ]
    np.testing.assert_array_equal(r.stands.loc[:, "age":"vol_mad"].to_numpy(), np.array(api))
    api_classes = [
        [step, c.dap, c.n, c.g, c.h, c.vol_tot, c.vol_rol, c.vol_mad]
        for step, t in enumerate(tables)
        for c in t.classes
    ]
    batch_classes = r.classes[["step", "dap", "n", "g", "h", "vol_tot", "vol_rol", "vol_mad"]]
    np.testing.assert_array_equal(batch_classes.to_numpy(dtype=float),
                                  np.array(api_classes, dtype=float).reshape(-1, 8))
    frames = pd.concat([t.to_frame() for t in tables], ignore_index=True)
    pd.testing.assert_frame_equal(frames, r.classes.loc[:, "dap":].reset_index(drop=True))

    # The scenario as a dict reads as the file does.
    d = zireze.run_scenario(scenario, jobs=1)
    for name in ("stands", "classes", "runs"):
        pd.testing.assert_frame_equal(getattr(d, name), getattr(r, name))
