import os
import subprocess

import numpy as np
import pytest


@pytest.fixture
def rng():
    return np.random.default_rng(20261208)


@pytest.fixture
def tavraw(tmp_path):
    """Runs the command-line tool, which writes the library's output buffer
    byte for byte with --raw-out; the reference these tests compare with."""
    program = os.path.abspath(os.environ["TAVRAW"]) if os.environ.get("TAVRAW") else None
    if not program or not os.path.exists(program):
        pytest.skip("tavraw is not built (it needs libpng)")

    def run(*arguments):
        subprocess.run([program, *map(str, arguments)], check=True, cwd=tmp_path,
                       stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)

    return run


def pack12(samples):
    """GigE Vision 12-bit packing: bytes 0 and 2 of each group carry the high
    8 bits of two samples, byte 1 their low 4 bits."""
    s = samples.astype(np.uint16)
    first, second = s[:, 0::2], s[:, 1::2]
    groups = np.empty((s.shape[0], s.shape[1] // 2, 3), dtype=np.uint8)
    groups[..., 0] = first >> 4
    groups[..., 1] = (first & 0xF) | ((second & 0xF) << 4)
    groups[..., 2] = second >> 4
    return groups.reshape(s.shape[0], -1)
