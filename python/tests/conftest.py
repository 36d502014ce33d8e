"""Where the tests find the reference runs and the built program: from the environment ctest
sets, else from the source tree (the program then only when ZIREZE_PROGRAM names it); and how a
frame is compared with one of the command's CSV files."""
import csv
import os
from pathlib import Path

import matplotlib
import numpy as np
import pandas
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


def assert_matches_csv(path, frame):
    """Every cell of the CSV file equals the frame's: the same text, or a number whose text
    reads back to the frame's value as a double (money) or a single (a figure of the model);
    an empty cell is "" or missing."""
    with open(path, newline="") as f:
        header, *rows = list(csv.reader(f))
    assert header == list(frame.columns) and len(rows) == len(frame), path
    for row, values in zip(rows, frame.itertuples(index=False)):
        for name, text, value in zip(header, row, values):
            if isinstance(value, str):
                assert value == text, (path.name, name, value, text)
            elif text == "":
                assert pandas.isna(value), (path.name, name, value)
            else:
                assert value in (float(text), float(np.float32(text))), (path.name, name, text)
