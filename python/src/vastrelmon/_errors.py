"""The exceptions of vastrelmon, one class for each way a conversion fails."""
from __future__ import annotations

import errno
from typing import Dict, Tuple, Type


class Error(Exception):
    """A conversion failed; what the program would have said about it.

    Attributes:
        kind: why, as a name: "invalid-argument", "bad-bmp", "cut-bmp",
            "too-many-colors", "transparency", "too-large", "no-memory",
            "output-exists", "io" or "cancelled".
        message_number: the program's message number (0 to 39), or -1 where
            the program has no message for it.
        message: the message as the program prints it, in English.
        detail: what the program adds in verbose mode (an error code, a line
            and a text, as ":340003:00288:..."), or "".
    """

    kind: str
    message_number: int
    message: str
    detail: str

    def __init__(self, message: str, *, kind: str = "error", message_number: int = -1,
                 detail: str = "") -> None:
        super().__init__(message)
        self.kind = kind
        self.message_number = message_number
        self.message = message
        self.detail = detail

    def __str__(self) -> str:
        return self.message

    def __reduce__(self):  # whole across processes, OSError's fields too
        return (_make, (type(self), self.kind, self.message_number, self.message, self.detail,
                        getattr(self, "filename", None)))


class BMPError(Error):
    """The data is not an uncompressed BMP this library reads, or it ends
    before its last pixel (kind "cut-bmp")."""


class TooManyColorsError(Error):
    """A true-colour picture has more than 256 colours and no colour mode
    brings it down."""


class TransparencyError(Error):
    """The transparent index lies beyond the picture's colour table."""


class TooLargeError(Error):
    """The picture is wider than 6400 or higher than 4800 pixels."""


class InvalidArgumentError(Error, ValueError):
    """An argument the library refused (a size, stride, palette or index)."""


class NoMemoryError(Error, MemoryError):
    """Not enough memory for the picture or its coding."""


class OutputExistsError(Error, FileExistsError):
    """convert_file: the GIF's name is taken; the file was not touched."""


class FileError(Error, OSError):
    """convert_file: a file could not be read or written; no GIF is left."""


class CancelledError(Error):
    """The conversion was stopped before it ended."""


# The library's vastrelmon_status values, which never change.
_KINDS: Dict[int, Tuple[str, Type[Error]]] = {
    1: ("invalid-argument", InvalidArgumentError),
    2: ("bad-bmp", BMPError),
    3: ("cut-bmp", BMPError),
    4: ("too-many-colors", TooManyColorsError),
    5: ("transparency", TransparencyError),
    6: ("too-large", TooLargeError),
    7: ("no-memory", NoMemoryError),
    8: ("output-exists", OutputExistsError),
    9: ("io", FileError),
    10: ("cancelled", CancelledError),
}


def _make(cls: Type[Error], kind: str, message_number: int, message: str, detail: str,
          filename: object = None) -> Error:
    error = cls(message, kind=kind, message_number=message_number, detail=detail)
    if isinstance(error, OSError):
        # OSError's own fields, so `except FileExistsError` code can read them.
        error.errno = errno.EEXIST if cls is OutputExistsError else None  # type: ignore[assignment]
        error.strerror = message
        error.filename = filename
    return error


def _from_result(status: int, message_number: int, message: str, detail: str,
                 filename: object = None) -> Error:
    """The exception for a failed call's status and result (called by _core)."""
    kind, cls = _KINDS.get(status, ("error", Error))
    return _make(cls, kind, message_number, message, detail, filename)
