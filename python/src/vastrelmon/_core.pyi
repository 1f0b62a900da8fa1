import os
import sys
from typing import Any, Iterable, Optional, Sequence, Union

if sys.version_info >= (3, 12):
    from collections.abc import Buffer as _Buffer
else:
    _Buffer = Any  # bytes-like objects, numpy arrays: anything with the buffer protocol

_Palette = Union[_Buffer, Sequence[Sequence[int]], Iterable[Sequence[int]]]
_Path = Union[str, bytes, os.PathLike[str], os.PathLike[bytes]]

__version__: str

def convert(data: _Buffer, /, *, interlace: bool = ..., transparent: Optional[int] = ...,
            compress: bool = ..., widest_codes: bool = ..., color_mode: Optional[str] = ...) -> bytes: ...
def encode(pixels: _Buffer, /, *, palette: Optional[_Palette] = ..., interlace: bool = ...,
           transparent: Optional[int] = ..., compress: bool = ..., widest_codes: bool = ...,
           color_mode: Optional[str] = ...) -> bytes: ...
def convert_file(source: _Path, target: _Path, /, *, interlace: bool = ...,
                 transparent: Optional[int] = ..., compress: bool = ..., widest_codes: bool = ...,
                 color_mode: Optional[str] = ...) -> None: ...
