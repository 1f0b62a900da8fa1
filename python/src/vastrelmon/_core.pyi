import os
from typing import Iterable, Optional, Sequence, Union

from typing_extensions import Buffer

_Palette = Union[Buffer, Sequence[Sequence[int]], Iterable[Sequence[int]]]
_Path = Union[str, bytes, os.PathLike[str], os.PathLike[bytes]]

__version__: str

def convert(data: Buffer, /, *, interlace: bool = ..., transparent: Optional[int] = ...,
            compress: bool = ..., widest_codes: bool = ..., color_mode: Optional[str] = ...) -> bytes: ...
def encode(pixels: Buffer, /, *, palette: Optional[_Palette] = ..., interlace: bool = ...,
           transparent: Optional[int] = ..., compress: bool = ..., widest_codes: bool = ...,
           color_mode: Optional[str] = ...) -> bytes: ...
def convert_file(source: _Path, target: _Path, /, *, interlace: bool = ...,
                 transparent: Optional[int] = ..., compress: bool = ..., widest_codes: bool = ...,
                 color_mode: Optional[str] = ...) -> None: ...
