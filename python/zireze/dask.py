"""Scenarios over a Dask DataFrame of plots: each partition is run by the model's C++ batch, as
``zireze run`` and ``zireze optimize`` run a scenario whose stands_csv holds those plots.

``plots`` has the columns of a plots CSV (``id``, ``age``, ``site_class``,
``dominant_height``, ``trees``, ``basal_area``, ``trees_planted``, ``dmin``, ``p90``, ``a``,
``b``, ``c``; any of them, in any order). Read them as text, so that every id and number reads
as the command reads it from the file::

    plots = dask.dataframe.read_csv("plots.csv", dtype=str, keep_default_na=False)

A numeric column given as numbers is taken through each number's shortest text (``repr`` of a
float, the digits of an int); an empty text, NaN or None is an empty cell.

``scenario`` is a path or a dict, as for :func:`zireze.run_scenario`: its regimes, ``bark``,
``economics`` and ``optimize``. Its stands are the rows of ``plots``, in their place in the
scenario's stands_csv (a scenario needs none; a file it names is not read). A scenario
with ``stand`` tables, or a regime with a list of ``stands``, is refused (``ValueError``): a
partition knows its own stands only.

Each partition's rows are written as CSV text and read by the one scenario reader as the
scenario's plots, so a problem is told as the command tells it, under the name
``<plots, partition N>`` with the line in that partition's CSV text (line 1 the header);
computing raises :class:`zireze.ScenarioError`. A partition is run on one thread (Dask gives the
parallelism); an empty partition gives no rows. The frames returned have the columns and the
order of rows of the command's CSV files; their integer columns are pandas' nullable ``Int64``
(a partition cannot know whether another has empty cells), and each partition's index starts
at 0.
"""

from __future__ import annotations

import os
import tomllib
from typing import TYPE_CHECKING, Any, Mapping, Union

import dask
import dask.dataframe

from . import ScenarioError, ScenarioResult, _scenario_text
from ._zireze import _optimize_scenario, _run_scenario, _table_types

if TYPE_CHECKING:
    import pandas

__all__ = ["ScenarioFrames", "run_scenario", "optimize_scenario"]

_RUN_TABLES = ("stands", "classes", "runs", "values", "cashflows")
_COLUMNS = _table_types()  # each table's declared columns and their types
_DTYPES = {"text": object, "integer": "Int64", "real": "float64"}


def _meta(table: str) -> "pandas.DataFrame":
    """The empty frame of a table: its declared columns, with the dtypes every partition has."""
    import pandas

    return pandas.DataFrame(
        {name: pandas.Series(dtype=_DTYPES[kind]) for name, kind in _COLUMNS[table]}
    )


def _frame(columns: dict[str, Any], table: str) -> "pandas.DataFrame":
    import pandas

    meta = _meta(table)
    return pandas.DataFrame(columns).astype(meta.dtypes.to_dict())


def _checked(scenario: Union[str, "os.PathLike[str]", Mapping[str, Any]]) -> tuple[bytes, bytes]:
    """The scenario's text and name, once what a partition cannot run is refused."""
    text, name = _scenario_text(scenario)
    if isinstance(scenario, Mapping):
        shape: Mapping[str, Any] = scenario
    else:
        try:
            shape = tomllib.loads(text.decode("utf-8-sig"))
        except (UnicodeDecodeError, tomllib.TOMLDecodeError):
            shape = {}  # the scenario reader tells what is wrong, partition by partition
    if "stand" in shape:
        raise ValueError("scenario: stand tables are not taken with plots; the stands are the "
                         "rows of plots")
    regimes = shape.get("regime", [])
    for regime in regimes if isinstance(regimes, list) else []:
        if isinstance(regime, Mapping) and "stands" in regime:
            raise ValueError(f"scenario: regime {regime.get('id')!r} lists its stands; with "
                             "plots in partitions a regime runs on every stand")
    return text, name


def _plots_csv(part: "pandas.DataFrame") -> bytes:
    """A partition's rows as the text of a plots CSV file."""
    return part.to_csv(index=False, lineterminator="\n").encode("utf-8")


def _partition_name(number: int) -> str:
    return f"<plots, partition {number}>"


def _run_partition(part: "pandas.DataFrame", text: bytes, name: bytes,
                   number: int) -> dict[str, "pandas.DataFrame"]:
    if len(part) == 0:
        return {table: _meta(table) for table in _RUN_TABLES}
    problems, tables = _run_scenario(text, name, 1, False, _plots_csv(part),
                                     _partition_name(number))
    if tables is None:
        raise ScenarioError(problems)
    return {table: _frame(tables[table], table) for table in _RUN_TABLES}


def _optimize_partition(part: "pandas.DataFrame", text: bytes, name: bytes,
                        number: int) -> "pandas.DataFrame":
    if len(part) == 0:
        return _meta("optimum")
    problems, found = _optimize_scenario(text, name, 1, _plots_csv(part),
                                         _partition_name(number))
    if found is None:
        raise ScenarioError(problems)
    return _frame(found["optimum"], "optimum")


def _plots(plots: Any) -> list[Any]:
    if not isinstance(plots, dask.dataframe.DataFrame):
        raise TypeError("plots: a dask DataFrame is needed, not " + type(plots).__name__)
    return plots.to_delayed()


class ScenarioFrames:
    """The tables of a scenario's runs as Dask DataFrames: ``stands``, ``classes``, ``runs``,
    ``values`` and ``cashflows``, the rows of the CSV files of ``zireze run`` (see
    :class:`zireze.ScenarioResult`). Each partition of the plots is run once for all of them
    when they are computed together: ``compute()`` does so."""

    __slots__ = _RUN_TABLES

    def __init__(self, **frames: "dask.dataframe.DataFrame") -> None:
        for table in _RUN_TABLES:
            setattr(self, table, frames[table])

    def compute(self, **options: Any) -> ScenarioResult:
        """Every table computed at once (``options`` go to ``dask.compute``), as a
        :class:`zireze.ScenarioResult` with a fresh index and no reports."""
        frames = dask.compute(*(getattr(self, t) for t in _RUN_TABLES), **options)
        tables = {t: f.reset_index(drop=True) for t, f in zip(_RUN_TABLES, frames)}
        return ScenarioResult(reports={}, **tables)

    def __repr__(self) -> str:
        return f"<ScenarioFrames partitions={self.runs.npartitions}>"


def run_scenario(plots: "dask.dataframe.DataFrame",
                 scenario: Union[str, "os.PathLike[str]", Mapping[str, Any]]) -> ScenarioFrames:
    """Every plot under every regime of the scenario, as ``zireze run`` runs the scenario with
    these plots as its stands_csv: lazily, partition by partition (see the module's help).
    Raises ``ValueError`` at once for a scenario a partition cannot run, and
    :class:`zireze.ScenarioError` when computed for any other problem."""
    parts = _plots(plots)
    text, name = _checked(scenario)
    run = dask.delayed(_run_partition, pure=True)
    results = [run(part, text, name, number) for number, part in enumerate(parts)]
    return ScenarioFrames(**{
        table: dask.dataframe.from_delayed([r[table] for r in results], meta=_meta(table))
        for table in _RUN_TABLES
    })


def optimize_scenario(plots: "dask.dataframe.DataFrame",
                      scenario: Union[str, "os.PathLike[str]", Mapping[str, Any]]
                      ) -> "dask.dataframe.DataFrame":
    """The best regime of each plot, as ``zireze optimize`` finds it with these plots as the
    scenario's stands_csv: the rows of optimum.csv as a Dask DataFrame (see the module's help
    and :func:`zireze.optimize_scenario`). The scenario's regimes are references on every plot.
    Raises ``ValueError`` at once for a scenario a partition cannot run, and
    :class:`zireze.ScenarioError` when computed for any other problem."""
    parts = _plots(plots)
    text, name = _checked(scenario)
    search = dask.delayed(_optimize_partition, pure=True)
    return dask.dataframe.from_delayed(
        [search(part, text, name, number) for number, part in enumerate(parts)],
        meta=_meta("optimum"))
