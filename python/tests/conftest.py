"""Where the tests find the reference runs and the built program: from the environment ctest
sets, else from the source tree (the program then only when ZIREZE_PROGRAM names it)."""
import os
from pathlib import Path

import matplotlib
import pytest

matplotlib.use("Agg")

SOURCE = Path(os.environ.get("ZIREZE_SOURCE_DIR", Path(__file__).resolve().parents[2]))
GOLDEN = Path(os.environ.get("ZIREZE_GOLDEN_DIR", SOURCE / "tests" / "golden"))
SCENARIOS = sorted((SOURCE / "tests" / "batch" / "golden").glob("*.toml"))


@pytest.fixture
def program():
    path = os.environ.get("ZIREZE_PROGRAM")
    if not path or not os.access(path, os.X_OK):
        pytest.skip("ZIREZE_PROGRAM does not name the built zireze")
    return path
