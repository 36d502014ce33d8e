"""Zireze: growth and yield of even-aged maritime pine stands.

Describe a stand with :class:`Stand` (``Stand.unthinned``, ``Stand.from_counts``,
``Stand.from_weibull``, ``Stand.from_attributes``), thin it (``thin_rows``, ``thin_selective``)
and grow it (``project``); ``stand.table()`` gives its stand table by 5-cm diameter class.
:func:`run_scenario` runs every stand of a scenario under every thinning regime, as
``zireze run`` does, and returns the rows of its CSV files as pandas DataFrames.

Every figure comes from the model, which computes in single precision: a value is the
single-precision number the model holds, handed over as the Python float equal to it. A number
passed in is rounded to the nearest single-precision value (``0.1`` becomes
``0.100000001490116...``). A value the model cannot use raises ``ValueError`` with the reason
the dialogue gives; an argument of the wrong type, or a missing one, raises ``TypeError``.
"""

from __future__ import annotations

import numbers
import os
from typing import TYPE_CHECKING, Any, Mapping, Optional, Union

from ._zireze import Stand, StandTable, TableClass, TableTotals, __version__
from ._zireze import _run_scenario, _scenario_toml
from .plotting import plot_development, plot_distribution, plot_values

if TYPE_CHECKING:
    import pandas

__all__ = [
    "Stand",
    "StandTable",
    "TableClass",
    "TableTotals",
    "ScenarioError",
    "ScenarioResult",
    "run_scenario",
    "scenario_to_toml",
    "plot_development",
    "plot_distribution",
    "plot_values",
    "__version__",
]


class _Unthinned:
    """``Stand.unthinned(age=..., ...)``: a stand never thinned (see ``help(Stand.unthinned)``).
    ``stand.unthinned``: True until the first selective thinning of a stand described as never
    thinned (a selective thinning then uses the equations of a first thinning); a row thinning
    leaves it as it is."""

    def __init__(self, factory: Any) -> None:
        self._factory = factory
        self.__doc__ = factory.__doc__

    def __get__(self, stand: Optional[Stand], owner: Any = None) -> Any:
        if stand is None:
            return self._factory
        return stand._is_unthinned


Stand.unthinned = _Unthinned(Stand.unthinned)  # type: ignore[assignment]


class ScenarioError(ValueError):
    """A scenario that cannot be run. ``problems`` lists every problem found, each as
    ``"FILE:LINE:COLUMN: what is wrong"`` (the file is ``<dict>`` for a scenario given as a
    dict: the line and column are those of ``scenario_to_toml(scenario)``)."""

    def __init__(self, problems: list[str]) -> None:
        super().__init__("\n".join(problems))
        self.problems = problems


class ScenarioResult:
    """The tables of a scenario's runs, as ``zireze run`` writes them to its CSV files.

    ``stands``: one row per stand state (stands.csv); ``classes``: one row per diameter class
    of each state (classes.csv); ``runs``: one row per run, status ``"ok"``, ``"refused"``
    with the reason or ``"out_of_range"`` (runs.csv). With an ``economics`` table, ``values``:
    what each run is worth (values.csv), and ``cashflows``: the cash flows of each run that has
    values (cashflows.csv); both are empty without one. Numbers are float64 columns holding the
    model's single-precision values (money and rates: the double values.csv holds; NaN where the
    CSV cell is empty), ``step`` and ``dap`` are int64 (``step`` of cashflows is pandas' nullable
    ``Int64``, with ``<NA>`` where the CSV cell is empty), text columns hold str (``regime`` is ``""`` for a stand tabled alone).
    ``reports`` maps ``(stand, regime)`` to the run's report as the dialogue writes it
    (Latin-1 text), when ``run_scenario(..., reports=True)``; it is empty otherwise.
    """

    __slots__ = ("stands", "classes", "runs", "values", "cashflows", "reports")

    def __init__(
        self,
        stands: "pandas.DataFrame",
        classes: "pandas.DataFrame",
        runs: "pandas.DataFrame",
        values: "pandas.DataFrame",
        cashflows: "pandas.DataFrame",
        reports: dict[tuple[str, str], str],
    ) -> None:
        self.stands = stands
        self.classes = classes
        self.runs = runs
        self.values = values
        self.cashflows = cashflows
        self.reports = reports

    def __repr__(self) -> str:
        return (
            f"<ScenarioResult runs={len(self.runs)} stand states={len(self.stands)} "
            f"class rows={len(self.classes)}>"
        )


def run_scenario(
    scenario: Union[str, "os.PathLike[str]", Mapping[str, Any]],
    *,
    jobs: Optional[int] = None,
    reports: bool = False,
) -> ScenarioResult:
    """Runs every stand of a scenario under every regime, as ``zireze run`` does.

    ``scenario`` is the path of a scenario file (TOML), or a dict of the same structure:
    ``bark``, ``stands_csv``, ``stand`` (a list of dicts) and ``regime`` (a list of dicts, each
    with ``id`` and ``steps``). A dict is written as TOML text (see :func:`scenario_to_toml`)
    and read like a file, so the same checks and messages apply; a relative ``stands_csv``
    starts from the current folder for a dict, from the file's folder for a file.

    ``jobs`` runs in parallel (default: ``os.cpu_count()``; no more threads than runs, and at
    most 256, are started). The interpreter's lock is released while the runs go on; Ctrl-C
    stops them. ``reports=True`` also keeps each run's report.

    Raises :class:`ScenarioError` (a ``ValueError``) listing every problem when the scenario
    cannot be run; a run refused at a step shows in ``result.runs`` (status ``"refused"``).
    """
    import pandas

    if isinstance(jobs, bool) or not (jobs is None or isinstance(jobs, numbers.Integral)):
        raise TypeError(f"jobs: a whole number is needed, not {type(jobs).__name__}")
    if jobs is None:
        jobs = os.cpu_count() or 1
    jobs = int(jobs)
    if jobs < 1:
        raise ValueError(f"jobs={jobs}: at least 1")
    jobs = min(jobs, 1 << 16)
    if not isinstance(reports, bool):
        raise TypeError(f"reports: True or False is needed, not {type(reports).__name__}")

    if isinstance(scenario, Mapping):
        text = scenario_to_toml(scenario).encode("utf-8")
        name = b"<dict>"
    elif isinstance(scenario, (str, os.PathLike)):
        name = os.fsencode(scenario)
        with open(scenario, "rb") as f:
            text = f.read()
    else:
        raise TypeError(
            "scenario: a path or a dict is needed, not " + type(scenario).__name__
        )

    problems, tables = _run_scenario(text, name, jobs, reports)
    if tables is None:
        raise ScenarioError(problems)
    return ScenarioResult(
        stands=pandas.DataFrame(tables["stands"]),
        classes=pandas.DataFrame(tables["classes"]),
        runs=pandas.DataFrame(tables["runs"]),
        values=pandas.DataFrame(tables["values"]),
        cashflows=pandas.DataFrame(tables["cashflows"]),
        reports=tables["reports"],
    )


def scenario_to_toml(scenario: Mapping[str, Any]) -> str:
    """The scenario file a dict stands for: what :func:`run_scenario` reads for it, and what
    ``zireze run`` can be given, written by the program's one writer of scenario files.
    ``stand`` and ``regime`` lists become ``[[stand]]`` and ``[[regime]]`` tables; a list of
    steps is written one step a line. An int is written as its digits; a float as the shortest
    text that reads back to it (read as a single-precision figure, it rounds as the float does).
    """
    return _scenario_toml(scenario)
