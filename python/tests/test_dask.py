"""zireze.dask on a cluster of two worker processes: the computed frames of a scenario's runs and
of its optima equal the CSV files of `zireze run` and `zireze optimize` on the same plots, and a
problem in a partition's rows comes back as the command tells it."""
import subprocess
import sys

import pandas
import pytest

import zireze
from conftest import SOURCE, assert_matches_csv

dd = pytest.importorskip("dask.dataframe")
distributed = pytest.importorskip("distributed")
import zireze.dask  # noqa: E402  (after the skip: it needs dask)


def test_partitions_on_a_cluster_equal_the_command(tmp_path, program):
    subprocess.run([sys.executable, str(SOURCE / "bench" / "make_scenario.py"), "6",
                    str(tmp_path), "--value", "--optimize"], check=True)
    scenario = tmp_path / "scenario.toml"
    scenario.write_text(scenario.read_text().replace("thinnings = 3", "thinnings = 1"))
    # The plots take the place of the file: a scenario without one is taken as well.
    bare = tmp_path / "bare.toml"
    bare.write_text(scenario.read_text().replace('stands_csv = "plots.csv"\n', ""))
    for command in ("run", "optimize"):
        done = subprocess.run([program, command, str(scenario), "--out", str(tmp_path / command)],
                              capture_output=True, text=True)
        assert done.returncode in (0, 3), done.stderr
    table = pandas.read_csv(tmp_path / "plots.csv", dtype=str, keep_default_na=False)
    plots = dd.from_pandas(table, npartitions=2)
    bad = table.copy()
    bad.loc[4, "age"] = "0"  # the second row of the second partition

    with distributed.LocalCluster(n_workers=2, processes=True, threads_per_worker=1,
                                  dashboard_address=":0") as cluster, distributed.Client(cluster):
        runs = zireze.dask.run_scenario(plots, scenario)
        assert runs.stands.npartitions == 2
        result = runs.compute()
        bare_result = zireze.dask.run_scenario(plots, bare).compute()
        optimum = zireze.dask.optimize_scenario(plots, bare).compute()
        with pytest.raises(zireze.ScenarioError) as e:
            zireze.dask.run_scenario(dd.from_pandas(bad, npartitions=2), scenario).runs.compute()
    for name in ("stands", "classes", "runs", "values", "cashflows"):
        assert_matches_csv(tmp_path / "run" / f"{name}.csv", getattr(result, name))
        pandas.testing.assert_frame_equal(getattr(bare_result, name), getattr(result, name))
    assert_matches_csv(tmp_path / "optimize" / "optimum.csv", optimum)
    assert e.value.problems == ["<plots, partition 1>:3:8: age = 0: A IDADE TEM DE SER MAIOR "
                                "QUE ZERO"]


def test_numbers_and_what_a_partition_cannot_run(tmp_path):
    # Numbers given as numbers are read through their shortest text.
    numbers = pandas.DataFrame({"id": ["a", "b"], "age": [20.1, 30], "site_class": [16, 14.5],
                                "trees": [1500, 900]})
    got = zireze.dask.run_scenario(dd.from_pandas(numbers, npartitions=2), {})
    want = zireze.run_scenario({"stand": numbers.to_dict("records")})
    pandas.testing.assert_frame_equal(got.compute(scheduler="sync").stands, want.stands,
                                      check_dtype=False)
    plots = dd.from_pandas(numbers, npartitions=1)
    for scenario, reason in [({"stand": []}, "stand tables"),
                             ({"regime": [{"id": "r", "stands": ["a"], "steps": []}]}, "'r'")]:
        with pytest.raises(ValueError, match=reason):
            zireze.dask.run_scenario(plots, scenario)
    # A file without stands_csv tells its problems at its own lines (a byte-order mark first).
    no_csv = tmp_path / "no_csv.toml"
    no_csv.write_bytes(b"\xef\xbb\xbfbark = true\n[economics]\ndiscount_rate = -1\n")
    with pytest.raises(zireze.ScenarioError) as e:
        zireze.dask.run_scenario(plots, no_csv).runs.compute(scheduler="sync")
    assert len(e.value.problems) == 1 and e.value.problems[0].startswith(f"{no_csv}:3:")
    with pytest.raises(TypeError):
        zireze.dask.optimize_scenario(numbers, {})
