"""Builds the tav package with CMake from the source tree around this folder:
the libraries and the module are built and installed into a staging folder,
and the module is packaged with libtavcore and libtavffc beside it (found
through its $ORIGIN run path). Works offline:

    pip install --no-build-isolation ./python
"""

import os
import pathlib
import shutil
import subprocess
import sys

from setuptools import Extension, setup
from setuptools.command.build_ext import build_ext

SOURCE_TREE = pathlib.Path(__file__).resolve().parent.parent


class BuildWithCMake(build_ext):
    def build_extension(self, ext):
        if not (SOURCE_TREE / "CMakeLists.txt").exists():
            raise RuntimeError("tav is built from its source tree: %s has no CMakeLists.txt" % SOURCE_TREE)
        build = pathlib.Path(self.build_temp).resolve() / "cmake"
        staging = pathlib.Path(self.build_temp).resolve() / "staging"
        jobs = os.environ.get("CMAKE_BUILD_PARALLEL_LEVEL", "2")
        # Module and libraries in one folder, so the module's run path is $ORIGIN.
        subprocess.check_call([
            "cmake", "-S", str(SOURCE_TREE), "-B", str(build), "-DCMAKE_BUILD_TYPE=Release",
            "-DPython3_EXECUTABLE=" + sys.executable, "-DTAV_BUILD_TESTS=OFF", "-DTAV_BUILD_TOOLS=OFF",
            "-DTAV_BUILD_BENCH=OFF", "-DTAV_PYTHON_INSTALL_DIR=package", "-DCMAKE_INSTALL_LIBDIR=package/tav"])
        subprocess.check_call(["cmake", "--build", str(build), "-j" + jobs])
        subprocess.check_call(["cmake", "--install", str(build), "--prefix", str(staging)])
        built = staging / "package" / "tav"
        module = next(built.glob("_tav*.so"), None)
        if module is None:
            raise RuntimeError("CMake did not build the module: see its 'Python module tav' message above")
        destination = pathlib.Path(self.get_ext_fullpath(ext.name))
        destination.parent.mkdir(parents=True, exist_ok=True)
        shutil.copyfile(module, destination)
        for library in ("libtavcore.so.1", "libtavffc.so.1"):
            shutil.copyfile(built / library, destination.parent / library)
        # The codes and names of the C headers, generated at configure time.
        shutil.copyfile(built / "_header.py", destination.parent / "_header.py")


setup(ext_modules=[Extension("tav._tav", sources=[])], cmdclass={"build_ext": BuildWithCMake})
