"""BMP pictures or pixels to GIF89a, through the vastrelmon C library.

Each call gives the bytes the vastrelmon program writes for the same picture
and options, runs without the GIL (threads convert at the same time), prints
nothing and starts no program.

    convert(data, **options) -> bytes          BMP bytes to GIF bytes
    encode(pixels, palette=None, **options)    numpy array or buffer to GIF bytes
    convert_file(source, target=None, **options) -> pathlib.Path

Options, all keyword-only:
    interlace=True       False: rows top to bottom
    transparent=None     a colour index 0..255 shown as transparent
                         (ignored for 24-bit pictures and RGB pixels)
    compress=True        False: uncompressed codes, readable by any decoder
    widest_codes=False   with compress=False: codes widen up to 12 bits
    color_mode=None      applied before the colour table is built:
        "grey"       greyscale
        "red-tone"   red-toned greyscale
        "blue-tone"  blue-toned greyscale
        "rose-tone"  rose-toned greyscale
        "rgb332"     the fixed 3-3-2 palette (256 colours)
        "red", "green", "blue"   that channel only

A picture that cannot be converted raises a vastrelmon.Error: BMPError,
TooManyColorsError, TransparencyError or TooLargeError. vastrelmon.bulk
converts whole folders or object-store prefixes on Dask.
"""
from __future__ import annotations

import os
import pathlib
from typing import Optional, Union

from . import _core
from ._core import convert, encode
from ._errors import (BMPError, Error, TooLargeError, TooManyColorsError,
                      TransparencyError)

__version__: str = _core.__version__

__all__ = [
    "convert", "encode", "convert_file", "gif_name", "COLOR_MODES",
    "Error", "BMPError", "TooManyColorsError", "TransparencyError", "TooLargeError",
]

COLOR_MODES = ("grey", "red-tone", "blue-tone", "rose-tone", "rgb332", "red", "green", "blue")

PathArg = Union[str, bytes, "os.PathLike[str]", "os.PathLike[bytes]"]


def gif_name(source: str) -> str:
    """The program's name for the GIF of source: its last three characters
    replaced by "gif" ("photo.BMP" gives "photo.gif").

    Raises ValueError for a name that does not end in ".bmp" (any case),
    which the program refuses.
    """
    if not source.lower().endswith(".bmp"):
        raise ValueError(f"{source!r}: the BMP's name must end in .bmp to derive the GIF's")
    return source[:-3] + "gif"


def convert_file(source: PathArg, target: Optional[PathArg] = None, *,
                 interlace: bool = True, transparent: Optional[int] = None,
                 compress: bool = True, widest_codes: bool = False,
                 color_mode: Optional[str] = None) -> pathlib.Path:
    """Converts the BMP file source into the GIF file target, as the program
    does, and returns the GIF's path.

    Without target, the GIF is source with its last three characters
    replaced by "gif". An existing target is never touched
    (FileExistsError); the GIF gets its name only once it is complete and
    on the disk, so after any failure nothing of it is left. A file that
    cannot be read or written raises OSError; a picture that cannot be
    converted a vastrelmon.Error. The options are those of convert().
    """
    source = os.fsdecode(os.fspath(source))
    target = gif_name(source) if target is None else os.fsdecode(os.fspath(target))
    _core.convert_file(source, target, interlace=interlace, transparent=transparent,
                       compress=compress, widest_codes=widest_codes, color_mode=color_mode)
    return pathlib.Path(target)
