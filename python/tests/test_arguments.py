"""Arguments: a value the model cannot use is a ValueError with the dialogue's reason, a wrong
type or a missing argument a TypeError; hostile values the model takes do not bring the
interpreter down; numbers go in rounded once to single precision."""
import math
import re

import numpy as np
import pytest

import zireze
from zireze import Stand

S = Stand.unthinned(age=30, site_class=16, trees=1000)
SITE = {"age": 30, "site_class": 16}

VALUE_ERRORS = [
    (lambda: Stand.unthinned(age=0, site_class=16, trees=1000), "A IDADE TEM DE SER MAIOR"),
    (lambda: Stand.unthinned(age=30, dominant_height=-1, trees=1000), "INDIQUE CLASSE DE QUAL"),
    (lambda: Stand.unthinned(**SITE, basal_area=0), "INDIQUE ARVORES VIVAS, AREA BASAL"),
    (lambda: Stand.from_counts(**SITE, counts=[0, 0]), "NENHUMA CLASSE DE DIAMETRO TEM"),
    (lambda: Stand.from_counts(**SITE, counts=[5] * 51), "at most 50"),
    (lambda: Stand.from_counts(**SITE, counts=range(10**15)), "at most 50"),
    (lambda: Stand.from_counts(**SITE, counts=[100, -9, 5]),
     "counts[1]=-9: a count below -0.0001 ends the classes; only the last may be one"),
    (lambda: Stand.from_weibull(**SITE, trees=900, a=-1, b=10, c=2), "a=-1: NAO PODE SER"),
    (lambda: Stand.from_weibull(**SITE, trees=900, a=5, b=10, c=0), "c=0: TEM DE SER MAIOR"),
    (lambda: Stand.from_attributes(**SITE, trees=900, basal_area=25, dmin=8, p90=8),
     "TEM DE SER MAIOR QUE O DIAMETRO MINIMO"),
    (lambda: S.thin_selective(S.basal_area + 0.01), "A AREA BASAL RESIDUAL TEM DE SER"),
    (lambda: S.thin_selective(residual_basal_area=0), "A AREA BASAL RESIDUAL TEM DE SER"),
    (lambda: S.project(age=29.9), "A IDADE DE PROJECCAO NAO PODE SER INFERIOR"),
    (lambda: S.thin_rows(one_in=7), "one_in=7"),
    (lambda: S.thin_rows(one_in=-(2**100)), "one_in="),
    (lambda: Stand.unthinned(age=math.nan, site_class=16, trees=1000), "not a finite number"),
    (lambda: S.project(age=math.inf), "not a finite number"),
    (lambda: S.project(age=1e39), "beyond the range of a single-precision"),
    (lambda: S.project(age=10**400), "beyond the range of a single-precision"),
    (lambda: S.project(age=10**100000), "beyond the range of a single-precision"),
    (lambda: zireze.run_scenario({"stand": [{"id": "p", "age": math.nan}]}), "not a finite"),
    (lambda: zireze.run_scenario({}, jobs=0), "jobs=0"),
]

TYPE_ERRORS = [
    lambda: Stand(),
    lambda: Stand.unthinned(site_class=16, trees=1000),
    lambda: Stand.unthinned(age=True, site_class=16, trees=1000),
    lambda: Stand.unthinned(age="30", site_class=16, trees=1000),
    lambda: Stand.unthinned(age=np.True_, site_class=16, trees=1000),
    lambda: Stand.unthinned(age=30, trees=1000),
    lambda: Stand.unthinned(age=30, site_class=16, dominant_height=12, trees=1000),
    lambda: Stand.unthinned(**SITE),
    lambda: Stand.unthinned(**SITE, trees=1000, basal_area=30),
    lambda: Stand.unthinned(30, site_class=16, trees=1000),
    lambda: Stand.from_counts(**SITE, counts="12"),
    lambda: Stand.from_counts(**SITE, counts={1, 2}),
    lambda: Stand.from_counts(**SITE, counts=[100, None]),
    lambda: Stand.from_weibull(**SITE, trees=900, a=5, b=10),
    lambda: S.thin_rows(3.0),
    lambda: S.thin_rows(True),
    lambda: S.thin_selective("20"),
    lambda: S.table(bark=1),
    lambda: zireze.run_scenario(42),
    lambda: zireze.run_scenario({}, jobs=2.0),
    lambda: zireze.run_scenario({"stand": [{"id": "p", "age": None}]}),
]


@pytest.mark.parametrize("call,reason", VALUE_ERRORS)
def test_values_the_model_cannot_use(call, reason):
    with pytest.raises(ValueError, match=re.escape(reason)):
        call()


@pytest.mark.parametrize("call", TYPE_ERRORS)
def test_wrong_types_and_missing_arguments(call):
    with pytest.raises(TypeError):
        call()


def test_scenario_problems_are_listed_with_where_they_stand(tmp_path):
    bad = {"stand": [{"id": "p", "age": 0, "site_class": 16, "trees": 1000}, {"id": "q"}],
           "regime": [{"id": "r", "steps": [{"thin": "rows", "one_in": 9}]}]}
    with pytest.raises(zireze.ScenarioError) as e:
        zireze.run_scenario(bad)
    assert isinstance(e.value, ValueError) and len(e.value.problems) == 5
    assert e.value.problems[0] == "<dict>:4:7: age = 0: A IDADE TEM DE SER MAIOR QUE ZERO"
    assert all(re.match(r"<dict>:\d+:\d+: ", p) for p in e.value.problems)
    with pytest.raises(FileNotFoundError):
        zireze.run_scenario(tmp_path / "missing.toml")


def test_numbers_go_in_rounded_once_to_single_precision():
    w = Stand.from_weibull(age=np.float32(25.1), dominant_height=np.int64(10), trees=1000.7,
                           a=0.1, b=10, c=2)
    assert (w.age, w.dominant_height, w.trees, w.a) == (
        float(np.float32(25.1)), 10.0, float(np.float32(1000.7)), float(np.float32(0.1)))
    # 2^64 + 2^40 + 1 lies just above the midpoint of two floats: rounded through a double it
    # would land on the midpoint and go to the even 2^64.
    assert Stand.unthinned(age=2**64 + 2**40 + 1, site_class=16, trees=1).age == 2.0**64 + 2**41
    for s in (w, S, S.thin_rows(3).project(40.3).thin_selective(12.2)):
        for name in ("age", "site_class", "dominant_height", "trees", "basal_area", "dmin", "a",
                     "b", "c"):
            x = getattr(s, name)
            assert type(x) is float and float(np.float32(x)) == x
    assert S.unthinned and not S.thin_selective(20).unthinned and S.thin_rows(2).unthinned
    # A last count below -0.0001 ends the classes, as in the dialogue and the scenario files.
    ended = Stand.from_counts(**SITE, counts=[0, 100, -9]).table()
    assert str(ended) == str(Stand.from_counts(**SITE, counts=[0, 100]).table())


@pytest.mark.parametrize("make", [
    lambda: Stand.unthinned(age=3e38, site_class=3e38, trees=3e38),
    lambda: Stand.unthinned(age=1e-45, dominant_height=1e-45, trees_planted=1e-45),
    lambda: Stand.from_weibull(age=30, site_class=16, trees=3e38, a=1e30, b=1e-38, c=3e38),
    lambda: Stand.from_weibull(age=30, site_class=16, trees=1, a=0, b=3e38, c=1e-38),
    lambda: Stand.from_counts(age=30, dominant_height=3e38, counts=[3e38] * 50),
    lambda: Stand.from_attributes(age=30, site_class=16, trees=1e-45, basal_area=3e38, dmin=0,
                                  p90=3e38),
    lambda: S.project(3.4028234e38).thin_selective(1e-45).thin_rows(6),
])
def test_extreme_values_the_model_takes_do_not_crash(make):
    s = make()
    for bark in (True, False):
        t = s.table(bark=bark)
        str(t), t.report_text(), t.to_frame(), t.classes, t.age, t.site_class
