"""Zireze: growth and yield of even-aged maritime pine stands.

Describe a stand with :class:`Stand` (``Stand.unthinned``, ``Stand.from_counts``,
``Stand.from_weibull``, ``Stand.from_attributes``), thin it (``thin_rows``, ``thin_selective``)
and grow it (``project``); ``stand.table()`` gives its stand table by 5-cm diameter class.
:func:`run_scenario` runs every stand of a scenario under every thinning regime, as
``zireze run`` does, and returns the rows of its CSV files as pandas DataFrames;
:func:`optimize_scenario` (and :func:`optimize` for one stand) searches the best regime of each
stand, as ``zireze optimize`` does; :func:`plan_scenario` plans the whole forest, as ``zireze
plan`` does. ``zireze.dask`` runs both over the partitions of a Dask
DataFrame of plots (imported when first used; it needs dask and distributed).

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
from ._zireze import _optimize_scenario, _plan_scenario, _run_scenario, _scenario_toml
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
    "OptimumResult",
    "PlanResult",
    "run_scenario",
    "optimize",
    "optimize_scenario",
    "plan_scenario",
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

    def __reduce__(self) -> tuple[Any, ...]:
        # Pickled with its list of problems (a Dask worker hands it back so).
        return (type(self), (self.problems,))


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

    jobs = _jobs(jobs)
    if not isinstance(reports, bool):
        raise TypeError(f"reports: True or False is needed, not {type(reports).__name__}")
    text, name = _scenario_text(scenario)
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


def _jobs(jobs: Optional[int]) -> int:
    """The threads to run on: ``os.cpu_count()`` when None; an int of at least 1."""
    if isinstance(jobs, bool) or not (jobs is None or isinstance(jobs, numbers.Integral)):
        raise TypeError(f"jobs: a whole number is needed, not {type(jobs).__name__}")
    if jobs is None:
        jobs = os.cpu_count() or 1
    jobs = int(jobs)
    if jobs < 1:
        raise ValueError(f"jobs={jobs}: at least 1")
    return min(jobs, 1 << 16)


def _scenario_text(
    scenario: Union[str, "os.PathLike[str]", Mapping[str, Any]]
) -> tuple[bytes, bytes]:
    """The scenario's TOML text and the name its problems are told under: a file's bytes and
    path, or a dict written by the one writer, named ``<dict>``."""
    if isinstance(scenario, Mapping):
        return scenario_to_toml(scenario).encode("utf-8"), b"<dict>"
    if isinstance(scenario, (str, os.PathLike)):
        with open(scenario, "rb") as f:
            return f.read(), os.fsencode(scenario)
    raise TypeError("scenario: a path or a dict is needed, not " + type(scenario).__name__)


class OptimumResult:
    """The best regime of each stand, as ``zireze optimize`` writes it.

    ``optimum``: one row per stand, the rows of optimum.csv (a pandas DataFrame: ``value``,
    ``rotation_age``, ``reference_value`` and ``gain`` float64, NaN where the CSV cell is empty;
    ``thinnings`` int64, or pandas' nullable ``Int64`` with ``<NA>`` when a stand has no
    optimum; ``evaluations`` int64; the rest str). ``best``: the scenario that re-runs the
    optima (best.toml) as a dict that :func:`run_scenario` takes: ``bark``, ``economics``,
    every ``stand`` and, per stand with an optimum, the regime ``best-STAND`` on that stand
    only. ``best_toml``: the same scenario as best.toml's text.
    """

    __slots__ = ("optimum", "best", "best_toml")

    def __init__(self, optimum: "pandas.DataFrame", best: dict[str, Any], best_toml: str) -> None:
        self.optimum = optimum
        self.best = best
        self.best_toml = best_toml

    def __repr__(self) -> str:
        found = int((self.optimum["status"] == "ok").sum())
        return f"<OptimumResult stands={len(self.optimum)} optima={found}>"


def optimize_scenario(
    scenario: Union[str, "os.PathLike[str]", Mapping[str, Any]],
    *,
    jobs: Optional[int] = None,
) -> OptimumResult:
    """Searches the best regime of each stand of a scenario, as ``zireze optimize`` does.

    ``scenario`` is a path or a dict, as for :func:`run_scenario`: its stands, its
    ``optimize`` table (the search space: ``objective``, ``thinnings``, ``row_thinning``,
    ``earliest_thinning``, ``min_interval``, ``min_removal``, ``max_removal``,
    ``min_residual_basal_area``, ``rotation``; the defaults without one), ``economics`` (needed
    by the objectives ``lev`` and ``npv``) and its regimes, which are valued on each stand as
    references and start searches when they lie in the space.

    ``jobs``: stands searched in parallel (default ``os.cpu_count()``). The interpreter's lock
    is released during the search; Ctrl-C stops it between stands.

    Returns an :class:`OptimumResult`; ``run_scenario(result.best)`` gives the runs the command
    writes for the best regimes. Raises :class:`ScenarioError` listing every problem when the
    scenario cannot be searched; a stand the objective cannot value, or where no regime of the
    space runs, has status ``"refused"`` or ``"infeasible"`` in ``result.optimum``.
    """
    import pandas

    jobs = _jobs(jobs)
    text, name = _scenario_text(scenario)
    problems, found = _optimize_scenario(text, name, jobs)
    if found is None:
        raise ScenarioError(problems)
    return OptimumResult(pandas.DataFrame(found["optimum"]), found["best"], found["best_toml"])


def optimize(
    stand: Mapping[str, Any],
    *,
    economics: Optional[Mapping[str, Any]] = None,
    bark: bool = True,
    **space: Any,
) -> OptimumResult:
    """The best regime for one stand: :func:`optimize_scenario` on a scenario of that stand.

    ``stand`` is a dict shaped like a scenario's ``stand`` table, e.g.
    ``{"id": "P1", "age": 20, "site_class": 16, "trees": 1800}`` (``id`` defaults to
    ``"stand"``); ``economics`` a dict shaped like its ``economics`` table; ``bark`` whether
    volumes are with bark. The keywords left are the search space, the keys of the
    ``optimize`` table: ``objective="npv"``, ``thinnings=2``, ``rotation=(30, 70)``, ...
    (the defaults for those not given: ``lev``, which needs ``economics``). One stand is
    searched on one thread.

    Returns an :class:`OptimumResult` whose ``optimum`` has the stand's one row; an unknown
    key or a value the search cannot take raises :class:`ScenarioError` (a ``ValueError``).
    """
    if not isinstance(stand, Mapping):
        raise TypeError("stand: a dict is needed, not " + type(stand).__name__)
    if not (economics is None or isinstance(economics, Mapping)):
        raise TypeError("economics: a dict is needed, not " + type(economics).__name__)
    if not isinstance(bark, bool):
        raise TypeError(f"bark: True or False is needed, not {type(bark).__name__}")
    scenario: dict[str, Any] = {"bark": bark, "stand": [{"id": "stand", **stand}],
                                "optimize": space}
    if economics is not None:
        scenario["economics"] = economics
    return optimize_scenario(scenario, jobs=1)


class PlanResult:
    """The plan of the whole forest, as ``zireze plan`` writes it.

    ``candidates``, ``candidate_flows``, ``plan``, ``periods``, ``constraints`` and ``solution``:
    the rows of the command's CSV files of those names, as pandas DataFrames (numbers float64 or
    int64, NaN or ``<NA>`` where the CSV cell is empty; texts str). ``status``: the solution's
    status, ``"optimal"``, ``"infeasible"`` or ``"time_limit"``. ``plan_scenario``: the scenario
    that re-runs the plan (plan.toml) as a dict :func:`run_scenario` takes; ``plan_toml``: its
    text.
    """

    __slots__ = ("candidates", "candidate_flows", "plan", "periods", "constraints", "solution",
                 "plan_scenario", "plan_toml")

    def __init__(self, tables: Mapping[str, Any]) -> None:
        import pandas

        for name in ("candidates", "candidate_flows", "plan", "periods", "constraints",
                     "solution"):
            setattr(self, name, pandas.DataFrame(tables[name]))
        self.plan_scenario = tables["plan_scenario"]
        self.plan_toml = tables["plan_toml"]

    @property
    def status(self) -> str:
        return str(self.solution["status"].iloc[0])

    def __repr__(self) -> str:
        return (f"<PlanResult status={self.status} stands={self.candidates['stand'].nunique()} "
                f"candidates={len(self.candidates)}>")


def plan_scenario(
    scenario: Union[str, "os.PathLike[str]", Mapping[str, Any]],
    *,
    jobs: Optional[int] = None,
) -> PlanResult:
    """Plans the whole forest of a scenario, as ``zireze plan`` does.

    ``scenario`` is a path or a dict, as for :func:`run_scenario`, with a ``plan`` table (the
    horizon and its periods, the objective, the flow held even and the other limits; see the
    README) and, to search candidates besides its regimes, an ``optimize`` table. Each stand's
    ``area`` (hectares, 1 where not given) weighs it.

    ``jobs``: stands whose candidates are searched and run in parallel (default
    ``os.cpu_count()``); the program is solved on one thread, so the plan is the same for any
    ``jobs``. The interpreter's lock is released; Ctrl-C stops it between stands.

    Returns a :class:`PlanResult`. Raises :class:`ScenarioError` listing every problem when the
    scenario cannot be planned; an infeasible plan is ``result.status == "infeasible"``, with
    each constraint's least violation in ``result.constraints["violation"]``.
    """
    jobs = _jobs(jobs)
    text, name = _scenario_text(scenario)
    problems, found = _plan_scenario(text, name, jobs)
    if found is None:
        raise ScenarioError(problems)
    return PlanResult(found)


def __getattr__(name: str) -> Any:
    # zireze.dask is imported when first used: dask is not needed otherwise.
    if name == "dask":
        import importlib

        return importlib.import_module(".dask", __name__)
    raise AttributeError(f"module {__name__!r} has no attribute {name!r}")
