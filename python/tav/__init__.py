"""tav: demosaicing and lens shading correction of raw camera frames, with
NumPy arrays in and out.

    demosaic(frame, pixel_format, *, width=None, height=None, method="bilinear",
             output="RGB8", threads=1)
    demosaic16(frame, order="RG", method="bilinear", planar=False)
    shading_table(grey, dark, *, mode="pixel", bits, order=None) -> ShadingTable
    correct(frame, table, pixel_format, *, out=None)
    average(frames)

A status from the library raises TavError (.status, .name, .line); the
library's diagnostic line goes into the exception, not to standard output.
The GIL is released during every library call.
"""

from ._demosaic import demosaic, demosaic16
from ._errors import TavError
from ._formats import OUTPUT_TYPES, PIXEL_FORMATS
from ._shading import ShadingTable, average, correct, shading_table

__all__ = ["demosaic", "demosaic16", "shading_table", "ShadingTable", "correct", "average", "TavError",
           "PIXEL_FORMATS", "OUTPUT_TYPES"]
