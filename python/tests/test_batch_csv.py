"""run_scenario against `zireze run`: every cell of the three CSV files equals the DataFrame's,
the text read as a single-precision number giving the DataFrame's float exactly."""
import csv
import subprocess
import sys

import numpy as np
import pytest

import zireze
from conftest import SCENARIOS, SOURCE

# A run refused at its first step, one that goes through, and a stand id CSV has to quote
# nothing for: ids are plain.
REFUSED = """
bark = false

[[stand]]
id = "young"
age = 20
site_class = 14
trees = 1500

[[regime]]
id = "too-much"
steps = [{ thin = "selective", residual_basal_area = 500 }, { grow_to = 30 }]

[[regime]]
id = "rows"
steps = [{ thin = "rows", one_in = 2 }, { grow_to = 35.5 }]
"""


def scenarios(tmp_path):
    subprocess.run([sys.executable, str(SOURCE / "bench" / "make_scenario.py"), "40",
                    str(tmp_path / "plots")], check=True)
    (tmp_path / "refused.toml").write_text(REFUSED)
    wide = next(p for p in SCENARIOS if p.stem == "wide_values")  # no regime; extreme values
    return [tmp_path / "plots" / "scenario.toml", tmp_path / "refused.toml", wide]


def assert_csv_equals(path, frame):
    with open(path, newline="") as f:
        header, *rows = list(csv.reader(f))
    assert header == list(frame.columns)
    assert len(rows) == len(frame)
    for name, texts in zip(header, zip(*rows)):
        values = frame[name].to_numpy()
        if values.dtype == np.float64:
            # An empty cell (nothing removed) is NaN in the frame.
            read = np.array([t or "nan" for t in texts], dtype=np.float32)
            np.testing.assert_array_equal(values.astype(np.float32), read, err_msg=name)
            np.testing.assert_array_equal(values, read.astype(np.float64), err_msg=name)
        elif values.dtype == np.int64:
            assert values.tolist() == [int(t) for t in texts], name
        else:
            assert values.tolist() == list(texts), name


def test_run_scenario_equals_the_csv_files(tmp_path, program):
    for scenario in scenarios(tmp_path):
        out = tmp_path / f"out-{scenario.stem}"
        done = subprocess.run([program, "run", str(scenario), "--out", str(out), "--jobs", "1"],
                              capture_output=True, text=True)
        r = zireze.run_scenario(scenario, jobs=3)
        refused = (r.runs["status"] == "refused").any()
        assert done.returncode == (3 if refused else 0), done.stderr
        for name in ("stands", "classes", "runs"):
            assert_csv_equals(out / f"{name}.csv", getattr(r, name))
        assert r.stands["step"].dtype == np.int64 and r.classes["dap"].dtype == np.int64
        if scenario.name == "refused.toml":
            assert r.runs.to_dict("records")[0] == {
                "stand": "young", "regime": "too-much", "status": "refused",
                "message": "A AREA BASAL RESIDUAL TEM DE SER MAIOR QUE ZERO E NAO SUPERIOR A ACTUAL"}
