"""Shared helpers: the program and bmpgen of a CMake build, pictures made by
bmpgen, the program run with the options of a Python call, and a small BMP
writer and reader."""
import os
import struct
import subprocess
from pathlib import Path

import numpy as np
import pytest

REPO = Path(__file__).resolve().parents[2]
BUILD = Path(os.environ.get("VASTRELMON_BUILD", REPO / "build-test"))
BMPSUITE = Path(os.environ.get("VASTRELMON_BMPSUITE", REPO.parent / "shared" / "bmpsuite"))


def build_tool(name):
    path = BUILD / name
    if not path.is_file():
        pytest.fail(f"{path} is missing: cmake -S . -B build-test -DVASTRELMON_TESTS=ON && "
                    f"cmake --build build-test --target bmpgen vastrelmon")
    return path


@pytest.fixture(scope="session")
def picture(tmp_path_factory):
    """picture(kind, width, height) -> path of that bmpgen picture."""
    folder = tmp_path_factory.mktemp("pictures")
    bmpgen = build_tool("bmpgen")

    def make(kind, width, height):
        path = folder / f"{kind}-{width}x{height}.bmp"
        if not path.exists():
            subprocess.run([bmpgen, kind, str(width), str(height), path], check=True, capture_output=True)
        return path
    return make


def switches(interlace=True, transparent=None, compress=True, widest_codes=False, color_mode=None):
    """The program's switches for the options of a Python call."""
    codes = {"grey": "mc", "red-tone": "sr", "blue-tone": "sb", "rose-tone": "sw", "rgb332": "s8",
             "red": "c1", "green": "c2", "blue": "c4"}
    return ((["/i"] if not interlace else []) + ([f"/t{transparent}"] if transparent is not None else [])
            + (["/u"] if not compress else []) + (["/b"] if widest_codes else [])
            + ([f"/e{codes[color_mode]}"] if color_mode else []))


@pytest.fixture(scope="session")
def run_program(tmp_path_factory):
    """run_program(bmp, **options) -> (GIF bytes or None, what it printed)."""
    folder = tmp_path_factory.mktemp("program")
    program = build_tool("vastrelmon")
    count = iter(range(10**9))

    def run(bmp, **options):
        gif = folder / f"{next(count)}.gif"
        done = subprocess.run([program, *switches(**options), bmp, gif], capture_output=True)
        said = (done.stdout + done.stderr).decode("utf-8", "replace")
        return (gif.read_bytes() if done.returncode == 0 else None), said
    return run


def bmp8(width, height, indices, palette):
    """An uncompressed 8-bit BMP: indices is bytes of width * height, top row
    first. The table always has 256 entries, as the program reads them."""
    row = (width + 3) & ~3
    pixels = b"".join(indices[y * width:(y + 1) * width].ljust(row, b"\0") for y in reversed(range(height)))
    table = b"".join(bytes((b, g, r, 0)) for r, g, b in palette).ljust(1024, b"\0")
    offset = 14 + 40 + len(table)
    return (struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset)
            + struct.pack("<IiiHHIIiiII", 40, width, height, 1, 8, 0, len(pixels), 2835, 2835, len(palette), 0)
            + table + pixels)


def read_bmp(data):
    """The pixels of an uncompressed 8- or 24-bit BMP with rows bottom first:
    (height x width x 3 RGB, None) or (height x width indices, palette
    bytes); (None, None) for other depths."""
    offset, = struct.unpack_from("<I", data, 10)
    header, width, height, _, bits, _, _, _, _, used = struct.unpack_from("<IiiHHIIiiI", data, 14)
    if bits not in (8, 24):
        return None, None
    row = (width * bits // 8 + 3) & ~3
    rows = np.frombuffer(data, np.uint8, row * height, offset).reshape(height, row)[::-1]
    if bits == 24:
        return rows[:, :width * 3].reshape(height, width, 3)[:, :, ::-1], None
    table = np.frombuffer(data, np.uint8, 4 * (used or 256), 14 + header).reshape(-1, 4)
    return rows[:, :width], table[:, 2::-1].tobytes()
