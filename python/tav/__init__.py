"""tav: demosaicing and lens shading correction of raw camera frames, with
NumPy arrays in and out.

    demosaic(frame, pixel_format, *, width=None, height=None, method="bilinear",
             output="RGB8", threads=1, black=None, wb=None, ccm=None, curve=None,
             gamma=None, shading=None, stats=False)
    Demosaicer(pixel_format, width, height, *, method=..., output=..., threads=...,
               black=..., wb=..., ccm=..., curve=..., gamma=..., shading=...)
        .process(frame, out=None), .stats -> FrameStats (.grey_world())
    demosaic16(frame, order="RG", method="bilinear", planar=False)
    shading_table(grey, dark, *, mode="pixel", bits, order=None) -> ShadingTable
    correct(frame, table, pixel_format, *, out=None)
    average(frames)

A status from the library raises TavError (.status, .name, .line); the
library's diagnostic line goes into the exception, not to standard output.
The GIL is released during every library call.
"""

from ._demosaic import demosaic, demosaic16
from ._demosaicer import Demosaicer
from ._errors import TavError
from ._formats import OUTPUT_TYPES, PIXEL_FORMATS
from ._pipeline import FrameStats
from ._shading import ShadingTable, average, correct, shading_table

__all__ = ["demosaic", "demosaic16", "Demosaicer", "FrameStats", "shading_table", "ShadingTable", "correct",
           "average", "TavError", "PIXEL_FORMATS", "OUTPUT_TYPES"]
