"""The compiled part of the zireze package: the model's stands and tables, and regimes in batch.

Numbers given are Python ints or floats (or other real numbers, not bool), rounded to the nearest
single-precision value; numbers returned are the model's single-precision values as floats."""

from typing import Any, ClassVar, Optional, Protocol, SupportsFloat, Union, overload

import pandas

_Number = Union[int, float, SupportsFloat]

__version__: str

class TableClass:
    """One diameter class of a stand table, per hectare."""

    @property
    def dap(self) -> int:
        """Centre of the 5-cm class, cm."""
    @property
    def n(self) -> float:
        """Trees per ha."""
    @property
    def g(self) -> float:
        """Basal area, m2/ha."""
    @property
    def h(self) -> float:
        """Height of the tree at the class centre, m."""
    @property
    def vol_tot(self) -> float:
        """Total stem volume, m3/ha."""
    @property
    def vol_rol(self) -> float:
        """Roundwood volume, m3/ha."""
    @property
    def vol_mad(self) -> float:
        """Sawlog volume, m3/ha."""

class TableTotals:
    """The totals line of a stand table."""

    @property
    def n(self) -> float:
        """Trees per ha."""
    @property
    def g(self) -> float:
        """Basal area, m2/ha."""
    @property
    def h(self) -> float:
        """Mean height weighted by trees, m (0 without trees)."""
    @property
    def vol_tot(self) -> float:
        """Total stem volume, m3/ha."""
    @property
    def vol_rol(self) -> float:
        """Roundwood volume, m3/ha."""
    @property
    def vol_mad(self) -> float:
        """Sawlog volume, m3/ha."""

class StandTable:
    """The stand table by 5-cm diameter class; str(table) is its console form."""

    @property
    def age(self) -> Optional[int]:
        """The age as the table shows it, rounded; None where it cannot be shown."""
    @property
    def site_class(self) -> Optional[int]:
        """The site class of the age and dominant height, rounded; None where it cannot be
        shown."""
    @property
    def age_value(self) -> float:
        """The age, unrounded."""
    @property
    def site_class_value(self) -> float:
        """The site class of the age and dominant height, unrounded."""
    @property
    def dominant_height(self) -> float:
        """Dominant height, m."""
    @property
    def dq(self) -> float:
        """Quadratic mean diameter, cm."""
    @property
    def a(self) -> float:
        """Weibull location, cm."""
    @property
    def b(self) -> float:
        """Weibull scale, cm."""
    @property
    def c(self) -> float:
        """Weibull shape."""
    @property
    def bark(self) -> bool:
        """True: volumes with bark; False: without."""
    @property
    def classes(self) -> list[TableClass]:
        """The classes shown, smallest first."""
    @property
    def totals(self) -> TableTotals:
        """The totals line."""
    def to_frame(self) -> pandas.DataFrame:
        """The classes, one row each: dap (int), n, g, h, vol_tot, vol_rol, vol_mad."""
    def report_text(self) -> str:
        """The table as the dialogue writes it to its report (Latin-1 text)."""
    def __str__(self) -> str:
        """The table as the dialogue prints it on the console."""

class _UnthinnedFactory(Protocol):
    def __call__(
        self,
        *,
        age: _Number,
        site_class: Optional[_Number] = None,
        dominant_height: Optional[_Number] = None,
        trees: Optional[_Number] = None,
        basal_area: Optional[_Number] = None,
        trees_planted: Optional[_Number] = None,
    ) -> Stand:
        """A stand never thinned: exactly one of site_class and dominant_height, exactly one
        of trees, basal_area and trees_planted."""

class _Unthinned:
    """Stand.unthinned(...): a stand never thinned. stand.unthinned: True until the first
    selective thinning of a stand described as never thinned."""

    @overload
    def __get__(self, stand: None, owner: Any = None) -> _UnthinnedFactory: ...
    @overload
    def __get__(self, stand: Stand, owner: Any = None) -> bool: ...

class Stand:
    """A stand at its current age, as a value."""

    unthinned: ClassVar[_Unthinned]
    @staticmethod
    def from_counts(
        *,
        age: _Number,
        site_class: Optional[_Number] = None,
        dominant_height: Optional[_Number] = None,
        counts: Any,
    ) -> Stand:
        """A stand thinned in the past, from its trees per ha by 5-cm class (a sequence of at
        most 50 numbers, the first the class centred on 5 cm)."""
    @staticmethod
    def from_weibull(
        *,
        age: _Number,
        site_class: Optional[_Number] = None,
        dominant_height: Optional[_Number] = None,
        trees: _Number,
        a: _Number,
        b: _Number,
        c: _Number,
    ) -> Stand:
        """A stand thinned in the past, from its trees and Weibull parameters."""
    @staticmethod
    def from_attributes(
        *,
        age: _Number,
        site_class: Optional[_Number] = None,
        dominant_height: Optional[_Number] = None,
        trees: _Number,
        basal_area: _Number,
        dmin: _Number,
        p90: _Number,
    ) -> Stand:
        """A stand thinned in the past, from its trees, basal area, minimum diameter and
        90th-percentile diameter."""
    @property
    def age(self) -> float:
        """Age, years."""
    @property
    def site_class(self) -> float:
        """Site class: the dominant height at 50 years, m."""
    @property
    def dominant_height(self) -> float:
        """Dominant height, m."""
    @property
    def trees(self) -> float:
        """Live trees per ha."""
    @property
    def basal_area(self) -> float:
        """Basal area, m2/ha."""
    @property
    def trees_planted(self) -> Optional[float]:
        """Trees planted per ha; None for a stand described as thinned in the past."""
    @property
    def dmin(self) -> float:
        """Minimum diameter, cm."""
    @property
    def a(self) -> float:
        """Weibull location, cm."""
    @property
    def b(self) -> float:
        """Weibull scale, cm."""
    @property
    def c(self) -> float:
        """Weibull shape."""
    @property
    def _is_unthinned(self) -> bool: ...
    def table(self, bark: bool = True) -> StandTable:
        """The stand table, volumes with bark or without."""
    def thin_rows(self, one_in: int) -> Stand:
        """The stand after taking out one row in every one_in (2 to 6)."""
    def thin_selective(self, residual_basal_area: _Number) -> Stand:
        """The stand after a selective thinning down to the residual basal area."""
    def project(self, age: _Number) -> Stand:
        """The stand grown to the age given."""

def _run_scenario(
    text: bytes,
    file: bytes,
    jobs: int,
    reports: bool,
    plots: Optional[bytes] = None,
    plots_name: str = "",
) -> tuple[list[str], Optional[dict[str, Any]]]: ...
def _optimize_scenario(
    text: bytes, file: bytes, jobs: int, plots: Optional[bytes] = None, plots_name: str = ""
) -> tuple[list[str], Optional[dict[str, Any]]]: ...
def _plan_scenario(
    text: bytes, file: bytes, jobs: int, plots: Optional[bytes] = None, plots_name: str = ""
) -> tuple[list[str], Optional[dict[str, Any]]]: ...
def _table_types() -> dict[str, list[tuple[str, str]]]: ...
def _scenario_toml(scenario: Any) -> str: ...
