"""What runs are worth: values.csv and cashflows.csv recomputed from stands.csv with the README's
definitions, figure for figure, without and with a fire hazard; the DataFrames and the workbook
equal the CSV files cell for cell."""
import csv
import math
import subprocess
import sys
import tomllib
import zipfile
import zlib

import numpy as np
import openpyxl

import zireze
from conftest import SOURCE

# A stand thinned before (no land expectation value), land sold after the felling, a run that
# does not end in a felling and one refused before it: their values are empty.
MIXED = """
bark = true

[economics]
discount_rate = 0.04
sawlog = 60
roundwood = 28
residue = 1.5
thinning = 300
thinning_per_m3 = 7.5
felling = 150
felling_per_m3 = 6
annual = 20
establishment = 1500
land_value = 800

[[stand]]
id = "w"
age = 20.6
site_class = 15
weibull = { trees = 1100, a = 4, b = 11, c = 2.4 }

[[stand]]
id = "u"
age = 18
dominant_height = 9.5
trees = 1700

[[regime]]
id = "felled"
steps = [{ grow_by = 5 }, { thin = "rows", one_in = 4 }, { grow_to = 47.6 }, { fell = true }]

[[regime]]
id = "grown"
steps = [{ grow_to = 40 }]

[[regime]]
id = "refused"
stands = ["u"]
steps = [{ thin = "selective", residual_basal_area = 500 }, { fell = true }]
"""


def read_csv(path):
    with open(path, newline="") as f:
        header, *rows = list(csv.reader(f))
    return [dict(zip(header, row)) for row in rows]


def single(text):
    return float(np.float32(text))


def recompute(states, e, never_thinned):
    """The README's definitions, in the order they are written there."""
    if states[-1]["event"] != "felled":
        return None
    r, p = e.get("discount_rate", 0.0), e.get("fire_hazard", 0.0)
    q = 1.0 - p
    money = {k: float(e.get(k, 0.0)) for k in (
        "sawlog", "roundwood", "residue", "thinning", "thinning_per_m3", "felling",
        "felling_per_m3", "annual", "establishment", "land_value")}
    a0, T = single(states[0]["age"]), single(states[-1]["age"])

    def discount(rate, years):
        """q^years (1+r)^-years: a sum counted with the odds the stand lives to it."""
        return q ** years * (1.0 + rate) ** -years

    def annuity(rate, n):
        """S(n), in its closed form; the sum it is defined as agrees."""
        if rate + p == 0:
            s = n
        elif p == 0:
            s = (1.0 - discount(rate, n)) / rate
        else:  # the closed form's numerator, keeping its digits where rate + p is small
            s = -math.expm1(n * (math.log1p(-p) - math.log1p(rate))) / (rate + p)
        by_terms = math.fsum(q ** (k - 1) * (1.0 + rate) ** -k for k in range(1, int(n) + 1))
        assert math.isclose(s, by_terms, rel_tol=1e-12), (rate, p, n, s, by_terms)
        return s

    def bare_land(rate, years, n):
        """The land is back after the felling or after a fire, whichever comes first."""
        return discount(rate, years) if p == 0 else discount(rate, years) + p * annuity(rate, n)

    n, N = math.floor(T - a0 + 0.001), math.floor(T + 0.001)
    flows, removed = [], [0.0, 0.0, 0.0]
    for s in states:
        if s["removed_vol_tot"] == "":
            continue
        tot, rol, mad = (single(s["removed_vol_" + k]) for k in ("tot", "rol", "mad"))
        felling = s["event"] == "felled"
        revenue = money["sawlog"] * mad + money["roundwood"] * rol + money["residue"] * (
            tot - rol - mad)
        cost = (money["felling"] + money["felling_per_m3"] * tot if felling
                else money["thinning"] + money["thinning_per_m3"] * tot)
        age = single(s["age"])
        flows.append((int(s["step"]), age, s["event"], revenue, cost, revenue - cost,
                      (revenue - cost) * discount(r, age - a0)))
        removed = [removed[0] + tot, removed[1] + rol, removed[2] + mad]
    harvests = list(flows)
    annual = money["annual"] * n
    flows.append(("", None, "annual", 0.0, annual, -annual, -money["annual"] * annuity(r, n)))
    if money["land_value"] != 0:
        flows.append(("", T, "land", money["land_value"], 0.0, money["land_value"],
                      money["land_value"] * bare_land(r, T - a0, n)))
    value = {"rotation_age": T, "npv": 0.0, "revenue": 0.0, "cost": 0.0}
    for f in flows:
        value["npv"] += f[6]
    for f in harvests:
        value["revenue"] += f[3]
        value["cost"] += f[4]
    value["cost"] += annual

    def at_planting(rate):
        v0 = -money["establishment"] - money["annual"] * annuity(rate, N)
        for f in harvests:
            v0 += f[5] * discount(rate, f[1])
        return v0

    if never_thinned:
        value["lev"] = at_planting(r) / (1.0 - bare_land(r, T, N)) if r != 0 else None
        value["irr"] = None
        lo, hi = 0.0, 1.0
        if at_planting(lo) > 0 and at_planting(hi) < 0:
            while lo < (lo + hi) / 2 < hi:
                mid = (lo + hi) / 2
                lo, hi = (mid, hi) if at_planting(mid) > 0 else (lo, mid)
            value["irr"] = (lo + hi) / 2
        for k, total in zip(("tot", "rol", "mad"), removed):
            value["mai_vol_" + k] = total / T
    return value, flows


def run(tmp_path, scenario, *options):
    out = tmp_path / ("out-" + scenario.stem)
    done = subprocess.run([zireze_program(), "run", str(scenario), "--out", str(out), *options],
                          capture_output=True, text=True)
    assert done.returncode in (0, 3), done.stderr
    return out


def zireze_missing(value):
    import pandas
    return pandas.isna(value)


def zireze_program():
    import os
    return os.environ["ZIREZE_PROGRAM"]


def scenarios(tmp_path, hazard=None):
    """The benchmark's plots and the mixed runs; with a fire hazard of `hazard` a year too."""
    subprocess.run([sys.executable, str(SOURCE / "bench" / "make_scenario.py"), "30",
                    str(tmp_path / "plots"), "--value"], check=True)
    (tmp_path / "mixed.toml").write_text(MIXED)
    found = [tmp_path / "plots" / "scenario.toml", tmp_path / "mixed.toml"]
    if hazard is not None:
        for s in list(found):
            fire = s.with_name(s.stem + "-fire.toml")
            fire.write_text(s.read_text().replace("[economics]\n",
                                                  f"[economics]\nfire_hazard = {hazard}\n"))
            found.append(fire)
    return found


def never_thinned_stands(scenario):
    parsed = tomllib.loads(scenario.read_text())
    never = {s["id"] for s in parsed.get("stand", [])
             if not {"counts", "weibull", "attributes"} & s.keys()}
    if "stands_csv" in parsed:
        for row in read_csv(scenario.parent / parsed["stands_csv"]):
            if not (row["a"] or row["b"] or row["c"] or row["dmin"] or row["p90"]):
                never.add(row["id"])
    return parsed["economics"], never


def test_values_are_recomputed_from_the_stand_states(tmp_path, program):
    for scenario in scenarios(tmp_path, hazard=0.02):
        economics, never = never_thinned_stands(scenario)
        out = run(tmp_path, scenario)
        states, flows = {}, {}
        for s in read_csv(out / "stands.csv"):
            states.setdefault((s["stand"], s["regime"]), []).append(s)
        for f in read_csv(out / "cashflows.csv"):
            flows.setdefault((f["stand"], f["regime"]), []).append(f)
        statuses = {(r["stand"], r["regime"]): r["status"] for r in read_csv(out / "runs.csv")}
        valued = 0
        for row in read_csv(out / "values.csv"):
            key = (row["stand"], row["regime"])
            want = recompute(states[key], economics, row["stand"] in never)
            if want is None or statuses[key] != "ok":
                assert all(row[k] == "" for k in row if k not in ("stand", "regime")), row
                assert key not in flows
                continue
            valued += 1
            value, cash = want
            for k, x in value.items():
                got = single(row[k]) if k == "rotation_age" else float(row[k] or "nan")
                assert (row[k] == "" if x is None else got == x), (key, k, row[k], x)
            assert len(flows[key]) == len(cash)
            for got, w in zip(flows[key], cash):
                assert got["event"] == w[2] and got["step"] == str(w[0])
                assert (got["age"] == "" if w[1] is None else single(got["age"]) == w[1])
                for k, x in zip(("revenue", "cost", "net", "present_value"), w[3:]):
                    assert float(got[k]) == x, (key, k, got[k], x)
        assert valued >= 2


def test_data_frames_and_the_workbook_equal_the_csv_files(tmp_path, program):
    for scenario in scenarios(tmp_path):
        out = run(tmp_path, scenario, "--xlsx", str(tmp_path / (scenario.stem + ".xlsx")))
        result = zireze.run_scenario(scenario, jobs=2)
        book = openpyxl.load_workbook(tmp_path / (scenario.stem + ".xlsx"))
        for name in ("stands", "classes", "runs", "values", "cashflows"):
            with open(out / f"{name}.csv", newline="") as f:
                header, *rows = list(csv.reader(f))
            frame = getattr(result, name)
            assert list(frame.columns) == header
            sheet = book[name]
            assert sheet.freeze_panes == "A2"
            cells = list(sheet.iter_rows(values_only=True))
            assert list(cells[0]) == header and len(cells) == len(rows) + 1 == len(frame) + 1
            for i, row in enumerate(rows):
                for j, text in enumerate(row):
                    cell, value = cells[i + 1][j], frame.iat[i, j]
                    if text == "":
                        assert cell is None and (isinstance(value, str) and value == ""
                                                 or zireze_missing(value)), (name, header[j])
                    elif isinstance(value, str):
                        assert cell == text == value
                    elif math.isfinite(float(text)):
                        # The double nearest the text (the library writes 16 significant
                        # digits: a value of 17 keeps 16); in the frame, the figure itself.
                        assert cell == float("%.16g" % float(text)), (name, header[j], cell, text)
                        assert value in (float(text), single(text)), (name, header[j], value)
                    else:
                        assert cell == text and str(float(value)) == str(float(text))
        # Every part of the workbook is deflated at zlib's fastest level.
        with zipfile.ZipFile(tmp_path / (scenario.stem + ".xlsx")) as parts:
            for part in parts.infolist():
                fastest = zlib.compressobj(1, zlib.DEFLATED, -15)
                data = parts.read(part)
                assert part.compress_size == len(fastest.compress(data) + fastest.flush()), part
