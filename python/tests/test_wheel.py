"""The wheel builds from the checkout, carries what it promises, and installs
into a fresh virtual environment."""
import subprocess
import sys
import zipfile

from conftest import REPO


def test_the_wheel_installs_into_a_fresh_environment(tmp_path):
    subprocess.run([sys.executable, "-m", "build", "--no-isolation", "--wheel", "--outdir", tmp_path / "dist",
                    REPO / "python"], check=True, capture_output=True, cwd=tmp_path)
    wheel, = (tmp_path / "dist").glob("vastrelmon-*.whl")
    names = zipfile.ZipFile(wheel).namelist()
    for wanted in ("vastrelmon/py.typed", "vastrelmon/_core.pyi", "vastrelmon/bulk.py", "/LICENSE", "/METADATA"):
        assert any(name.endswith(wanted) for name in names), wanted
    assert any(name.startswith("vastrelmon/_core.") and name.endswith(".so") for name in names)

    venv = tmp_path / "venv"
    subprocess.run([sys.executable, "-m", "venv", "--system-site-packages", venv], check=True)
    subprocess.run([venv / "bin" / "pip", "install", "--no-deps", "--no-index", wheel], check=True,
                   capture_output=True)
    check = ("import pathlib, vastrelmon; "
             "print(vastrelmon.__version__, vastrelmon.__file__, "
             "vastrelmon.convert(pathlib.Path(r'%s').read_bytes())[:6])" % (REPO / "examples" / "example.bmp"))
    done = subprocess.run([venv / "bin" / "python", "-c", check], check=True, capture_output=True, text=True,
                          cwd=tmp_path)
    version, location, head = done.stdout.split()
    assert location.startswith(str(venv)) and head == "b'GIF89a'"
