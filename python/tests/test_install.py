"""cmake --install puts the package where the prefix's Python looks, and the
installed module finds the installed libraries."""

import glob
import os
import shutil
import site
import subprocess
import sys

import pytest


def test_installed_package_imports_and_runs(tmp_path):
    build = os.environ.get("TAV_BUILD_DIR")
    cmake = shutil.which("cmake")
    if not build or not cmake:
        pytest.skip("needs the build folder (TAV_BUILD_DIR) and cmake")
    prefix = tmp_path / "prefix"
    subprocess.run([cmake, "--install", build, "--prefix", str(prefix)], check=True,
                   stdout=subprocess.DEVNULL)
    packages = glob.glob(str(prefix / "lib" / "python3.*" / "*-packages" / "tav" / "__init__.py"))
    assert len(packages) == 1
    package_dir = os.path.dirname(os.path.dirname(packages[0]))

    # The same folder under the interpreter's own prefix is one it searches.
    relative = os.path.relpath(package_dir, prefix)
    searched = site.getsitepackages() + [site.getusersitepackages()]
    prefixes = {sys.prefix, "/usr/local"}
    assert any(os.path.join(p, relative) in searched for p in prefixes), (relative, searched)

    script = ("import numpy, tav; out = tav.demosaic(numpy.zeros((8, 8), numpy.uint8), 'BayerRG8'); "
              "print(tav.__file__, out.shape)")
    environment = dict(os.environ, PYTHONPATH=package_dir)
    result = subprocess.run([sys.executable, "-c", script], env=environment, cwd=tmp_path,
                            capture_output=True, text=True, check=True)
    assert result.stdout.startswith(str(prefix)) and "(8, 8, 3)" in result.stdout
