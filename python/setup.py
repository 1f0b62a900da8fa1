"""Builds vastrelmon._core from the library's C++ sources in this repository.

The package lives in python/ of the repository; the library (include/, lib/)
and the codec layers it stands on (platform/, console/, bmp/, image/, gif/)
are found from this file's own place, so `pip install ./python` and
`python3 -m build --wheel python` work from any current folder.
"""
import os
import re
from multiprocessing.pool import ThreadPool
from pathlib import Path

from setuptools import Extension, setup
from setuptools.command.build_ext import build_ext

ROOT = Path(__file__).resolve().parent.parent
LAYERS = ["lib", "platform", "console", "bmp", "image", "gif"]


def library_sources():
    header = ROOT / "include" / "vastrelmon.h"
    if not header.is_file():
        raise SystemExit(f"vastrelmon: the library's sources are not at {ROOT}; build from the "
                         "repository checkout (pip install ./python)")
    return sorted(str(path) for layer in LAYERS for path in (ROOT / layer).glob("*.cpp"))


def project_version():
    """The one version of the project, as CMakeLists.txt's project() sets it."""
    text = (ROOT / "CMakeLists.txt").read_text()
    return re.search(r"project\(vastrelmon VERSION ([0-9.]+)", text).group(1)


class LibraryBuildExt(build_ext):
    """Adds the library's sources to the extension (here rather than in
    setup(), whose file lists take only paths inside python/) and compiles
    them VASTRELMON_JOBS (default 2) at a time."""

    def build_extension(self, ext):
        own_sources = ext.sources
        ext.sources = own_sources + library_sources()
        try:
            super().build_extension(ext)
        finally:
            ext.sources = own_sources

    def build_extensions(self):
        compiler = self.compiler
        jobs = int(os.environ.get("VASTRELMON_JOBS", "2"))

        def compile(sources, output_dir=None, macros=None, include_dirs=None, debug=0,
                    extra_preargs=None, extra_postargs=None, depends=None):
            macros, objects, extra_postargs, pp_opts, build = compiler._setup_compile(
                output_dir, macros, include_dirs, sources, depends, extra_postargs)
            cc_args = compiler._get_cc_args(pp_opts, debug, extra_preargs)

            def one(obj):
                source, ext = build[obj]
                compiler._compile(obj, source, ext, cc_args, extra_postargs, pp_opts)

            with ThreadPool(max(1, jobs)) as pool:
                pool.map(one, [obj for obj in objects if obj in build])
            return objects

        compiler.compile = compile
        super().build_extensions()


core = Extension(
    "vastrelmon._core",
    sources=["src/vastrelmon/_core.cpp"],
    include_dirs=[str(ROOT), str(ROOT / "include")],
    define_macros=[("VASTRELMON_VERSION_STRING", '"%s"' % project_version())],
    # As the CMake Release build: the same code paths, no debug data, and
    # only PyInit__core visible.
    extra_compile_args=["-std=c++17", "-O3", "-g0", "-fvisibility=hidden", "-fvisibility-inlines-hidden",
                        "-pthread"],
    extra_link_args=["-pthread"],
    language="c++",
)

setup(ext_modules=[core], cmdclass={"build_ext": LibraryBuildExt})
