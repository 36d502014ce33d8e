"""optimize_scenario against `zireze optimize`: optimum.csv cell for cell, best.toml as text,
and the best regimes re-run by run_scenario to the command's figures; the command's database
holds its CSV files; a fire hazard never lengthens the best rotation; hostile arguments are a
TypeError or a ValueError."""
import math
import random
import sqlite3
import subprocess

import pandas

import pytest

import zireze
from conftest import assert_matches_csv

ECONOMICS = {"discount_rate": 0.03, "sawlog": 55, "roundwood": 30, "thinning": 250,
             "felling": 150, "annual": 15, "establishment": 1500}
STAND = {"id": "u", "age": 20, "site_class": 16, "trees": 1500}
# A stand never thinned, one by its dominant height, one thinned before (lev refuses it), and a
# regime of their own that the optimum is never below.
SCENARIO = {
    "economics": ECONOMICS,
    "optimize": {"objective": "lev", "thinnings": 1, "rotation": [35, 50]},
    "stand": [STAND, {"id": "h", "age": 18, "dominant_height": 9.5, "basal_area": 21.5},
              {"id": "w", "age": 25, "site_class": 14,
               "weibull": {"trees": 1000, "a": 5, "b": 10, "c": 2}}],
    "regime": [{"id": "mine", "steps": [{"grow_by": 10}, {"thin": "selective",
                "residual_basal_area": 20}, {"grow_by": 10}, {"fell": True}]}],
}


def test_optimize_scenario_equals_the_command(tmp_path, program):
    (tmp_path / "opt.toml").write_text(zireze.scenario_to_toml(SCENARIO))
    done = subprocess.run([program, "optimize", str(tmp_path / "opt.toml"), "--out",
                           str(tmp_path / "o"), "--sqlite", str(tmp_path / "o.db")],
                          capture_output=True, text=True)
    assert done.returncode == 3, done.stderr  # w is refused
    with sqlite3.connect(tmp_path / "o.db") as db:
        for name in ("stands", "classes", "runs", "values", "cashflows", "optimum"):
            assert_matches_csv(tmp_path / "o" / f"{name}.csv",
                               pandas.read_sql(f'select * from "{name}"', db))
    r = zireze.optimize_scenario(SCENARIO, jobs=2)
    assert_matches_csv(tmp_path / "o" / "optimum.csv", r.optimum)
    assert r.optimum["status"].tolist() == ["ok", "ok", "refused"]
    assert r.best_toml == (tmp_path / "o" / "best.toml").read_text()
    assert zireze.scenario_to_toml(r.best) == r.best_toml
    assert [g["id"] for g in r.best["regime"]] == ["best-u", "best-h"]
    rerun = zireze.run_scenario(r.best)
    for name in ("stands", "values", "cashflows"):
        assert_matches_csv(tmp_path / "o" / f"{name}.csv", getattr(rerun, name))
    best = rerun.values.set_index("stand").loc[["u", "h"], "lev"].tolist()
    assert best == r.optimum["value"][:2].tolist()


def test_one_stand_reruns_to_its_value():
    r = zireze.optimize(STAND, economics=ECONOMICS, objective="npv", thinnings=1,
                        rotation=(30, 45))
    assert len(r.optimum) == 1 and r.best["stand"] == [STAND]
    assert zireze.run_scenario(r.best).values["npv"].tolist() == r.optimum["value"].tolist()


TYPE_ERRORS = [
    lambda: zireze.optimize("u"),
    lambda: zireze.optimize({1: 20}),
    lambda: zireze.optimize(STAND, economics=5),
    lambda: zireze.optimize(STAND, bark=1),
    lambda: zireze.optimize(STAND, economics=ECONOMICS, rotation=object()),
    lambda: zireze.optimize_scenario(42),
    lambda: zireze.optimize_scenario(SCENARIO, jobs="2"),
]

VALUE_ERRORS = [
    ({"thinnings": 7}, "thinnings: from 0 to 4"),
    ({"thinnings": 1.5}, "thinnings: a whole number from 0 to 4"),
    ({"rotation": (30,)}, "rotation: [MIN, MAX], the felling ages searched"),
    ({"rotation": (50, 30)}, "rotation: [MIN, MAX] felling ages, 0 < MIN <= MAX <= 1000"),
    ({"min_removal": math.nan}, "min_removal = nan: not a finite number"),
    ({"objective": "best"}, 'objective = "best": lev, npv, mai_vol_tot'),
    ({"rotaton": (30, 50)}, "unknown key 'rotaton' in [optimize]"),
    ({"earliest_thinning": 10**400}, "numeric value too long"),
]


@pytest.mark.parametrize("call", TYPE_ERRORS)
def test_wrong_types(call):
    with pytest.raises(TypeError):
        call()


@pytest.mark.parametrize("space,reason", VALUE_ERRORS)
def test_bad_space_values(space, reason):
    with pytest.raises(zireze.ScenarioError, match=reason.replace("[", r"\[")):
        zireze.optimize(STAND, economics=ECONOMICS, **space)


def test_a_fire_hazard_never_lengthens_the_best_rotation():
    """Reed: a hazard p values the rotation as the risk-free one at a higher rate, so the best
    felling age without thinnings comes no later; a hazard outside [0, 1) is refused."""
    rng = random.Random(25)
    shortened = 0
    for _ in range(8):
        stand = {"id": "s", "age": rng.choice([rng.randint(10, 28), round(rng.uniform(10, 28), 1)]),
                 "site_class": round(rng.uniform(9, 22), 1), "trees": rng.randint(500, 3000)}
        rotations = [zireze.optimize(stand, economics={**ECONOMICS, "fire_hazard": p},
                                     objective="lev", thinnings=0, rotation=(20, 90))
                     .optimum["rotation_age"][0] for p in (0, 0.01, 0.03)]
        assert rotations == sorted(rotations, reverse=True), (stand, rotations)
        shortened += rotations[-1] < rotations[0]
    assert shortened >= 6
    with pytest.raises(zireze.ScenarioError, match="fire_hazard: the fire hazard is a probab"):
        zireze.optimize(STAND, economics={**ECONOMICS, "fire_hazard": 1}, thinnings=0)


def test_lev_and_npv_need_economics():
    with pytest.raises(zireze.ScenarioError, match="objective: this objective needs an"):
        zireze.optimize(STAND, thinnings=1)
    with pytest.raises(zireze.ScenarioError) as e:
        zireze.optimize_scenario({"stand": [STAND]})
    assert e.value.problems == ["<dict>: no [optimize] table, and its default objective: this "
                                "objective needs an [economics] table"]
