"""Figures of a stand's development and of a stand table (matplotlib). They plot the model's
values as they are: nothing is worked out here. Each function returns a
``matplotlib.figure.Figure`` of its own (no pyplot state): ``fig.savefig("out.png")`` saves it,
and a notebook shows it."""

from __future__ import annotations

from typing import TYPE_CHECKING, Optional

if TYPE_CHECKING:
    import pandas
    from matplotlib.figure import Figure

    from ._zireze import StandTable

_DEVELOPMENT_COLUMNS = ("stand", "regime", "step", "event", "age", "ts", "ba", "hd")
_VOLUMES = (("vol_tot", "total", "-"), ("vol_rol", "roundwood", "--"), ("vol_mad", "sawlog", ":"))

# More lines than this and a legend hides the plot: it is left out.
_MOST_LABELLED = 12


def plot_development(stands: "pandas.DataFrame", *, title: Optional[str] = None) -> "Figure":
    """The development of each stand under each regime: live trees per ha, basal area
    (m2/ha), dominant height (m) and the three volumes (m3/ha; total solid, roundwood dashed,
    sawlog dotted) against age.

    ``stands`` is ``run_scenario(...).stands``, or any selection of its rows. Each stand and
    regime is one line through its states in step order, so a thinning is a vertical drop at
    its age; the states after a thinning are marked with a triangle. Up to 12 lines are
    labelled in a legend.
    """
    from matplotlib import rcParams
    from matplotlib.figure import Figure
    from matplotlib.lines import Line2D

    missing = [c for c in _DEVELOPMENT_COLUMNS + tuple(v for v, _, _ in _VOLUMES)
               if c not in stands.columns]
    if missing:
        raise ValueError("stands: not the stands table of run_scenario; it lacks " +
                         ", ".join(missing))

    fig = Figure(figsize=(11, 8), layout="constrained")
    axes = fig.subplots(2, 2, sharex=True)
    trees, basal, height, volume = axes.flat
    panels = ((trees, "ts", "live trees per ha"), (basal, "ba", "basal area (m2/ha)"),
              (height, "hd", "dominant height (m)"))
    colors = [p["color"] for p in rcParams["axes.prop_cycle"]]

    groups = list(stands.groupby(["stand", "regime"], sort=False))
    for i, ((stand, regime), rows) in enumerate(groups):
        rows = rows.sort_values("step", kind="stable")
        color = colors[i % len(colors)]
        label = f"{stand} / {regime}" if regime else str(stand)
        thinned = rows["event"] == "thinned"
        for ax, column, _ in panels:
            ax.plot(rows["age"], rows[column], color=color, label=label)
            ax.plot(rows["age"][thinned], rows[column][thinned], "v", color=color)
        for column, _, style in _VOLUMES:
            volume.plot(rows["age"], rows[column], style, color=color)
            volume.plot(rows["age"][thinned], rows[column][thinned], "v", color=color)

    for ax, _, ylabel in panels:
        ax.set_ylabel(ylabel)
        ax.grid(True, alpha=0.3)
    volume.set_ylabel("volume (m3/ha)")
    volume.grid(True, alpha=0.3)
    for ax in (height, volume):
        ax.set_xlabel("age (years)")
    volume.legend(handles=[Line2D([], [], color="0.3", linestyle=style, label=name)
                           for _, name, style in _VOLUMES] +
                  [Line2D([], [], color="0.3", marker="v", linestyle="", label="after thinning")],
                  fontsize="small")
    if 0 < len(groups) <= _MOST_LABELLED:
        trees.legend(fontsize="small")
    if title:
        fig.suptitle(title)
    return fig


def plot_distribution(table: "StandTable", *, title: Optional[str] = None) -> "Figure":
    """One stand table: trees per ha by diameter class, and the total, roundwood and sawlog
    volumes (m3/ha) of each class side by side."""
    from matplotlib.figure import Figure

    classes = table.classes
    dap = [c.dap for c in classes]
    fig = Figure(figsize=(11, 4.5), layout="constrained")
    trees, volumes = fig.subplots(1, 2, sharex=True)
    trees.bar(dap, [c.n for c in classes], width=4.0, color="tab:green")
    trees.set_ylabel("trees per ha")
    width = 1.5
    for k, (column, name, _) in enumerate(_VOLUMES):
        volumes.bar([d + (k - 1) * width for d in dap], [getattr(c, column) for c in classes],
                    width=width, label=name)
    volumes.set_ylabel("volume (m3/ha)")
    volumes.legend(fontsize="small")
    for ax in (trees, volumes):
        ax.set_xlabel("diameter class (cm)")
        ax.set_xticks(dap)
        ax.grid(True, axis="y", alpha=0.3)
    fig.suptitle(title or f"age {_shown(table.age)}, site class {_shown(table.site_class)}, "
                          f"{'with' if table.bark else 'without'} bark")
    return fig


def plot_values(values: "pandas.DataFrame", column: str = "npv", *,
                title: Optional[str] = None) -> "Figure":
    """What each regime is worth on each stand: one group of bars per stand, one bar per regime,
    its height the run's ``column`` of values.csv (default ``npv``; also ``lev``, ``irr``,
    ``mai_vol_tot``, ... ). ``values`` is ``run_scenario(...).values``, or any selection of its
    rows. Runs without a value (no felling, refused, out of range) have no bar."""
    from matplotlib.figure import Figure

    if column not in values.columns or "regime" not in values.columns:
        raise ValueError(f"values: not the values table of run_scenario, or no column {column!r}")
    stands = list(dict.fromkeys(values["stand"]))
    regimes = list(dict.fromkeys(values["regime"]))
    fig = Figure(figsize=(max(6.0, 1.2 * len(stands) * max(1, len(regimes)) + 2), 4.5),
                 layout="constrained")
    ax = fig.subplots()
    width = 0.8 / max(1, len(regimes))
    for k, regime in enumerate(regimes):
        rows = values[values["regime"] == regime].set_index("stand")[column]
        heights = [rows.get(stand, float("nan")) for stand in stands]
        ax.bar([i + (k - (len(regimes) - 1) / 2) * width for i in range(len(stands))], heights,
               width=width, label=regime or "(tabled alone)")
    ax.set_xticks(range(len(stands)), stands)
    ax.set_ylabel(column)
    ax.axhline(0, color="0.3", linewidth=0.8)
    ax.grid(True, axis="y", alpha=0.3)
    if 0 < len(regimes) <= _MOST_LABELLED:
        ax.legend(fontsize="small")
    fig.suptitle(title or f"{column} by stand and regime")
    return fig


def _shown(value: Optional[int]) -> str:
    """A rounded age or site class as the table prints it: asterisks where it has none."""
    return "***" if value is None else str(value)
