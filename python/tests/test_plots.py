"""The figures plot the model's values, one line per stand and regime, and the example script
runs to its two images."""
import os
import subprocess
import sys

import numpy as np

import zireze
from conftest import SOURCE

SCENARIO = {
    "stand": [{"id": "A", "age": 20, "site_class": 16, "trees": 1800},
              {"id": "B", "age": 25, "dominant_height": 11, "basal_area": 30}],
    "regime": [{"id": "rows", "steps": [{"thin": "rows", "one_in": 3}, {"grow_to": 40}]},
               {"id": "grow", "steps": [{"grow_to": 30}, {"grow_to": 45}]}],
}


def test_figures_plot_the_rows_as_they_are():
    r = zireze.run_scenario(SCENARIO)
    fig = zireze.plot_development(r.stands)
    trees, basal, height, volume = fig.axes
    lines = [line for line in trees.get_lines() if not line.get_marker() == "v"]
    assert [line.get_label() for line in lines] == ["A / rows", "A / grow", "B / rows", "B / grow"]
    rows = r.stands[(r.stands["stand"] == "A") & (r.stands["regime"] == "rows")]
    np.testing.assert_array_equal(lines[0].get_xdata(), rows["age"])  # the thinning: 20, 20
    np.testing.assert_array_equal(lines[0].get_ydata(), rows["ts"])

    felled = dict(SCENARIO, economics={"discount_rate": 0.03, "sawlog": 50, "roundwood": 25},
                  regime=[dict(g, steps=g["steps"] + [{"fell": True}]) for g in SCENARIO["regime"]])
    values = zireze.run_scenario(felled).values
    bars = zireze.plot_values(values).axes[0].patches
    assert [b.get_height() for b in bars] == list(values.sort_values("regime", kind="stable",
                                                  key=lambda r: r != "rows")["npv"])

    table = zireze.Stand.unthinned(age=30, site_class=16, trees=1000).table()
    trees, volumes = zireze.plot_distribution(table).axes
    assert [p.get_height() for p in trees.patches] == [c.n for c in table.classes]
    assert len(volumes.patches) == 3 * len(table.classes)


def test_example_saves_its_figures(tmp_path):
    env = dict(os.environ, MPLBACKEND="Agg")
    subprocess.run([sys.executable, str(SOURCE / "examples" / "compare_regimes.py"),
                    str(tmp_path)], check=True, env=env, capture_output=True)
    for name in ("development.png", "distribution.png", "values.png"):
        assert (tmp_path / name).read_bytes()[:8] == b"\x89PNG\r\n\x1a\n"
