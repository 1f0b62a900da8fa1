"""convert, encode and convert_file against the program, and their errors."""
import errno
import pathlib
import pickle
import struct
import subprocess
import sys

import numpy as np
import pytest

import vastrelmon
from conftest import BMPSUITE, read_bmp

OPTION_SETS = [
    {},
    {"interlace": False},
    {"transparent": 3},
    {"transparent": 200},  # beyond small colour tables: the program refuses
    {"compress": False},
    {"compress": False, "widest_codes": True, "interlace": False},
    *({"color_mode": mode} for mode in vastrelmon.COLOR_MODES),
]
PICTURES = [("photo24", 97, 61), ("photo8", 97, 61), ("dither1", 33, 17), ("noise8", 40, 30), ("example", 64, 48)]


def same_as_program(run_program, bmp, options, call):
    """call() gives the program's GIF, or fails with the program's message."""
    expected, said = run_program(bmp, **options)
    if expected is None:
        with pytest.raises(vastrelmon.Error) as failure:
            call()
        assert failure.value.message in said
    else:
        assert call() == expected


@pytest.mark.parametrize("kind,width,height", PICTURES)
def test_every_call_writes_the_programs_gif(picture, run_program, tmp_path, kind, width, height):
    bmp = picture(kind, width, height)
    data = bmp.read_bytes()
    pixels, palette = read_bmp(data)
    for n, options in enumerate(OPTION_SETS):
        same_as_program(run_program, bmp, options, lambda: vastrelmon.convert(data, **options))
        same_as_program(run_program, bmp, options, lambda: vastrelmon.convert(bytearray(data), **options))
        same_as_program(run_program, bmp, options,
                        lambda: vastrelmon.convert_file(bmp, tmp_path / f"{n}.gif", **options).read_bytes())
        if pixels is not None and (palette is not None or options.get("transparent") is None):
            # encode_rgb ignores transparency, as the program does for 24-bit pictures.
            same_as_program(run_program, bmp, options,
                            lambda: vastrelmon.encode(pixels, palette=palette, **options))


@pytest.mark.skipif(not BMPSUITE.is_dir(), reason="no BMP corpus at " + str(BMPSUITE))
def test_the_bmp_corpus_converts_as_the_program_does(run_program):
    for bmp in sorted(BMPSUITE.rglob("*.bmp")):
        data = bmp.read_bytes()
        for options in ({}, {"interlace": False, "transparent": 1}, {"compress": False, "color_mode": "grey"}):
            same_as_program(run_program, bmp, options, lambda: vastrelmon.convert(data, **options))


def test_pixels_in_any_layout_give_the_same_gif(picture):
    rgb, _ = read_bmp(picture("photo24", 50, 40).read_bytes())
    indices, palette = read_bmp(picture("photo8", 50, 40).read_bytes())
    rgb_gif = vastrelmon.encode(np.ascontiguousarray(rgb))
    index_gif = vastrelmon.encode(np.ascontiguousarray(indices), palette=palette)
    wide = np.zeros((40, 64, 3), np.uint8)
    wide[:, :50] = rgb
    assert vastrelmon.encode(wide[:, :50]) == rgb_gif  # rows with a stride
    assert vastrelmon.encode(np.ascontiguousarray(rgb[::-1])[::-1]) == rgb_gif  # rows upwards
    assert vastrelmon.encode(np.asfortranarray(rgb)) == rgb_gif
    assert vastrelmon.encode(memoryview(rgb.tobytes()).cast("B", (40, 50, 3))) == rgb_gif
    spread = np.zeros((40, 100), np.uint8)
    spread[:, ::2] = indices
    triples = [tuple(palette[i:i + 3]) for i in range(0, len(palette), 3)]
    assert vastrelmon.encode(spread[:, ::2], palette=triples) == index_gif  # columns apart
    assert vastrelmon.encode(indices, palette=bytearray(palette)) == index_gif


def test_pillow_pictures_encode(picture):
    Image = pytest.importorskip("PIL.Image")
    bmp = picture("photo24", 30, 20)
    with Image.open(bmp) as image:
        assert vastrelmon.encode(np.asarray(image)) == vastrelmon.convert(bmp.read_bytes())


def test_each_failure_raises_its_class(picture):
    data = picture("photo8", 20, 10).read_bytes()
    cases = [
        (lambda: vastrelmon.convert(b"not a picture at all" * 4), vastrelmon.BMPError, "bad-bmp"),
        (lambda: vastrelmon.convert(data[:-50]), vastrelmon.BMPError, "bad-bmp"),  # size field disagrees
        (lambda: vastrelmon.convert(data[:8]), vastrelmon.BMPError, "cut-bmp"),
        (lambda: vastrelmon.encode(np.random.default_rng(1).integers(0, 256, (20, 20, 3), np.uint8)),
         vastrelmon.TooManyColorsError, "too-many-colors"),
        (lambda: vastrelmon.convert(picture("dither1", 8, 8).read_bytes(), transparent=7),
         vastrelmon.TransparencyError, "transparency"),
        (lambda: vastrelmon.convert(bytearray(data[:18]) + struct.pack("<i", 6401) + data[22:]),
         vastrelmon.TooLargeError, "too-large"),
        (lambda: vastrelmon.encode(np.zeros((4801, 1), np.uint8), palette=b"\0\0\0"),
         vastrelmon.TooLargeError, "too-large"),
        (lambda: vastrelmon.encode(np.full((2, 2), 3, np.uint8), palette=b"\0\0\0"), ValueError, "invalid-argument"),
    ]
    for call, cls, kind in cases:
        with pytest.raises(cls) as failure:
            call()
        assert isinstance(failure.value, vastrelmon.Error)
        assert failure.value.kind == kind and failure.value.message
        assert isinstance(failure.value.message_number, int) and isinstance(failure.value.detail, str)


def test_bad_arguments_raise_value_or_type_errors():
    pixels = np.zeros((2, 2), np.uint8)
    cases = [
        (TypeError, lambda: vastrelmon.convert("a str")),
        (TypeError, lambda: vastrelmon.convert(b"", transparent=True)),
        (ValueError, lambda: vastrelmon.convert(b"", transparent=256)),
        (ValueError, lambda: vastrelmon.convert(b"", transparent=2**80)),
        (ValueError, lambda: vastrelmon.convert(b"", color_mode="purple")),
        (TypeError, lambda: vastrelmon.convert(b"", level=3)),
        (TypeError, lambda: vastrelmon.encode(np.zeros((2, 2, 3), np.float32))),
        (ValueError, lambda: vastrelmon.encode(np.zeros((2, 2, 4), np.uint8))),
        (ValueError, lambda: vastrelmon.encode(b"\0" * 12)),
        (ValueError, lambda: vastrelmon.encode(pixels)),
        (ValueError, lambda: vastrelmon.encode(np.zeros((2, 2, 3), np.uint8), palette=b"\0\0\0")),
        (ValueError, lambda: vastrelmon.encode(pixels, palette=b"\0\0\0" * 257)),
        (ValueError, lambda: vastrelmon.encode(pixels, palette=b"\0\0")),
        (ValueError, lambda: vastrelmon.encode(pixels, palette=[(0, 0, 256)])),
        (ValueError, lambda: vastrelmon.encode(pixels, palette=[(0, 0)])),
        (TypeError, lambda: vastrelmon.encode(pixels, palette=[("a", 0, 0)])),
        (ValueError, lambda: vastrelmon.encode(np.zeros((0, 2), np.uint8), palette=b"\0\0\0")),
        (ValueError, lambda: vastrelmon.convert_file("photo.png")),
    ]
    for cls, call in cases:
        with pytest.raises(cls):
            call()


def test_convert_file_keeps_its_promises(picture, tmp_path):
    source = tmp_path / "photo.BMP"
    source.write_bytes(picture("photo8", 30, 20).read_bytes())
    made = vastrelmon.convert_file(source)
    assert made == tmp_path / "photo.gif" and isinstance(made, pathlib.Path)
    assert made.read_bytes() == vastrelmon.convert(source.read_bytes())

    made.write_bytes(b"mine")
    with pytest.raises(FileExistsError) as taken:
        vastrelmon.convert_file(source, made)
    assert made.read_bytes() == b"mine" and taken.value.filename == str(made)
    again = pickle.loads(pickle.dumps(taken.value))  # as a process pool hands it back
    assert (type(again), again.kind, again.filename, again.errno) == (
        type(taken.value), "output-exists", str(made), errno.EEXIST)

    cut = tmp_path / "cut.bmp"
    cut.write_bytes(source.read_bytes()[:-100])
    with pytest.raises(vastrelmon.BMPError):
        vastrelmon.convert_file(cut, tmp_path / "cut.gif", interlace=False)
    with pytest.raises(OSError):
        vastrelmon.convert_file(tmp_path / "missing.bmp", tmp_path / "missing.gif")
    with pytest.raises(OSError):
        vastrelmon.convert_file(source, tmp_path / "no such folder" / "x.gif")
    assert sorted(p.name for p in tmp_path.iterdir()) == ["cut.bmp", "photo.BMP", "photo.gif"]


def test_running_out_of_memory_raises_memory_error():
    # A picture of the largest size, with too little address space left.
    script = """if True:
        import resource, struct, vastrelmon
        width, height = 6400, 4800
        pixels = width * height
        data = (b"BM" + struct.pack("<IHHI", 1078 + pixels, 0, 0, 1078)
                + struct.pack("<IiiHHIIiiII", 40, width, height, 1, 8, 0, pixels, 0, 0, 0, 0)
                + bytes(1024) + bytes(pixels))
        used = int(open("/proc/self/statm").read().split()[0]) * 4096
        resource.setrlimit(resource.RLIMIT_AS, (used + 20 * 2**20, resource.RLIM_INFINITY))
        try:
            vastrelmon.convert(data)
        except MemoryError as error:
            print(error.kind)
    """
    done = subprocess.run([sys.executable, "-c", script], capture_output=True, text=True, timeout=120)
    assert done.stdout.strip() == "no-memory", done.stderr
