#!/usr/bin/env python3
"""Two thinning regimes on one stand, with the zireze Python package.

An unthinned stand of age 20 on site class 16 with 1800 live trees per ha is grown to 50 years
under two regimes and felled: two selective thinnings (at 25 and 35 years), or one row in three
taken out at once and a selective thinning at 30 years. The script prints each regime's
thinnings, its stand at 50 years and what it is worth at the prices below, and saves
development.png (trees, basal area, dominant height and volumes against age), distribution.png
(the stand table at 50 years of the second regime) and values.png (each regime's net present
value) in the folder given, else in the current folder.

    PYTHONPATH=build/python /usr/bin/python3 examples/compare_regimes.py [FOLDER]
"""
import sys
from pathlib import Path

import pandas

import zireze

STAND = {"id": "P1", "age": 20, "site_class": 16, "trees": 1800}
REGIMES = [
    {"id": "selective", "steps": [
        {"grow_to": 25}, {"thin": "selective", "residual_basal_area": 18},
        {"grow_to": 35}, {"thin": "selective", "residual_basal_area": 24},
        {"grow_to": 50}, {"fell": True},
    ]},
    {"id": "rows-then-selective", "steps": [
        {"thin": "rows", "one_in": 3}, {"grow_to": 30},
        {"thin": "selective", "residual_basal_area": 20}, {"grow_to": 50}, {"fell": True},
    ]},
]
ECONOMICS = {"discount_rate": 0.03, "sawlog": 55, "roundwood": 30, "thinning": 250,
             "thinning_per_m3": 8, "felling": 150, "felling_per_m3": 6, "annual": 15,
             "establishment": 1500}


def main() -> None:
    out = Path(sys.argv[1]) if len(sys.argv) > 1 else Path(".")
    out.mkdir(parents=True, exist_ok=True)

    result = zireze.run_scenario({"bark": True, "stand": [STAND], "regime": REGIMES,
                                  "economics": ECONOMICS})
    refused = result.runs[result.runs["status"] != "ok"]
    if not refused.empty:
        sys.exit(f"refused: {refused.to_dict('records')}")

    columns = ["regime", "age", "ts", "ba", "vol_tot", "vol_mad"]
    with pandas.option_context("display.width", 120, "display.precision", 2):
        stands = result.stands
        print("Thinnings (what each took out):")
        print(stands.loc[stands["event"] == "thinned",
                         ["regime", "age", "removed_ts", "removed_ba", "removed_vol_tot",
                          "removed_vol_mad"]].to_string(index=False))
        print("\nAt 50 years:")
        at_50 = stands[stands["event"] != "felled"].groupby("regime", sort=False).tail(1)
        print(at_50[columns].to_string(index=False))
        print("\nWhat each regime is worth (per ha):")
        print(result.values[["regime", "npv", "lev", "irr", "mai_vol_tot"]].to_string(index=False))

    # The second regime again, step by step through the Stand API: its last table.
    stand = zireze.Stand.unthinned(age=20, site_class=16, trees=1800)
    stand = stand.thin_rows(one_in=3).project(age=30)
    stand = stand.thin_selective(residual_basal_area=20).project(age=50)
    table = stand.table(bark=True)
    print()
    print(table)

    zireze.plot_development(result.stands, title="Stand P1 under two regimes").savefig(
        out / "development.png", dpi=100)
    zireze.plot_distribution(table).savefig(out / "distribution.png", dpi=100)
    zireze.plot_values(result.values).savefig(out / "values.png", dpi=100)
    print(f"saved {out / 'development.png'}, {out / 'distribution.png'} and {out / 'values.png'}")


if __name__ == "__main__":
    main()
