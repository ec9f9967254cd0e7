"""Demosaicer: one library context kept for a stream of frames, with the
picture pipeline's settings as attributes that can change between frames."""

import numpy as np

from . import _arguments, _formats, _frames, _outputs, _pipeline, _tav
from ._arguments import INT32_MAX
from ._errors import check

_METHOD_NAMES = {number: name for name, number in _formats.METHODS.items()}


class Demosaicer:
    """Converts a stream of raw frames of one format and size into pictures,
    through the picture pipeline: shading table, black level, white balance,
    demosaicing, colour matrix and tone curve in one pass, with the frame's
    statistics gathered on the way.

        d = tav.Demosaicer("BayerRG12Packed", 1920, 1080, threads=0, black=256, curve="srgb")
        for raw in frames:
            rgb = d.process(raw)
            d.wb = d.stats.grey_world()      # applies from the next frame

    One context (with its worker threads and work buffer) serves every
    frame, so a steady stream allocates nothing and starts no thread.

    Settings: method, output, threads, black (one int or four in 2x2 tile
    order), wb (gains R, G, B in (0, 64]), ccm (3x3, entries in [-16, 16],
    output RGB = ccm x camera RGB), curve ("linear", "srgb", "gamma"), gamma
    (0.1 to 10; needed by curve "gamma"; given alone it chooses that curve)
    and shading (a ShadingTable for this frame size). Each is an attribute;
    setting one applies from the next frame; update() changes several at
    once. A refused value raises
    ValueError or TypeError naming it, and the previous settings stay.

    Threads: the GIL is released while a frame is converted, but a
    Demosaicer serves one thread at a time: a call made while another thread
    is inside one of its calls raises RuntimeError. Use one Demosaicer per
    thread.
    """

    def __init__(self, pixel_format, width, height, *, method="bilinear", output="RGB8", threads=1,
                 black=None, wb=None, ccm=None, curve=None, gamma=None, shading=None):
        self._format = _formats.pixel_format(pixel_format)
        self._width = _arguments.integer("width", width, 0, INT32_MAX)
        self._height = _arguments.integer("height", height, 0, INT32_MAX)
        self._method = _formats.method(method)
        self._kind = _formats.output_type(output)
        self._threads = _arguments.integer("threads", threads, 0, INT32_MAX)
        self._settings = _pipeline.settings(self._format, self._height, self._width, black=black, wb=wb,
                                            ccm=ccm, curve=curve, gamma=gamma, shading=shading)
        self._require_output_fits(self._kind)
        self._stats = None
        self._converted = False
        self._stream = _tav.DemosaicStream()
        check("tavCreate", self._stream.open())
        check("tavDemosaicSetThreads", self._stream.set_threads(self._threads))
        check("tavDemosaicSetConfig", self._stream.set_output(self._kind.code))
        check("tavDemosaicSetPipeline", self._stream.set_pipeline(*_pipeline.library_arguments(self._settings)))

    # ---- frames ----

    def process(self, frame, out=None):
        """Converts one frame (as tav.demosaic takes it, of this stream's
        format and size) and returns the picture: a new uint8 array, or `out`.

        out: a writeable, C-contiguous uint8 array of the picture's shape
        (H x W x 3 or 4, 3 x H x W for planar types, H x W for Mono8) that
        does not overlap the frame. The frame is never modified. Raises
        TavError when the library refuses the frame."""
        self._require_open()
        if isinstance(frame, np.ndarray) and frame.ndim == 2 and frame.shape[0] != self._height:
            raise ValueError("frame: %d rows, this Demosaicer converts %dx%d frames"
                             % (frame.shape[0], self._width, self._height))
        array, rows, columns, line_bytes = _frames.library_frame(frame, self._format, self._width,
                                                                 self._height, compacts=False)
        if (rows, columns) != (self._height, self._width):
            raise ValueError("frame: %dx%d, this Demosaicer converts %dx%d frames"
                             % (columns, rows, self._width, self._height))
        shape = _outputs.shape(self._kind, rows, columns)
        if out is None:
            target = np.empty(shape, dtype=np.uint8)
        else:
            given = frame if isinstance(frame, np.ndarray) else None
            target = _outputs.checked_out(out, shape, (given, array))
        return self._convert(array, rows, columns, line_bytes, target)

    def _convert(self, array, rows, columns, line_bytes, target):
        check("tavDemosaicing", self._stream.demosaic(array, rows, columns, line_bytes, self._format.code,
                                                      self._method, target))
        self._converted = True
        self._stats = None  # fetched when asked for
        return target

    @property
    def stats(self):
        """FrameStats of the last frame converted, None before the first. A
        refused frame leaves the previous frame's statistics."""
        if not self._converted:
            return None
        if self._stats is None:
            self._require_open()
            status, diagnostics, values = self._stream.stats()
            check("tavDemosaicGetStats", (status, diagnostics))
            self._stats = _pipeline.FrameStats(values[:3], values[3], values[4], values[5])
        return self._stats

    def close(self):
        """Releases the context and its worker threads; later calls raise
        ValueError. Also done when the Demosaicer is garbage-collected or
        leaves a `with` block."""
        if self._stream is not None:
            self._stream.close()
            self._stream = None

    def __enter__(self):
        return self

    def __exit__(self, *exception):
        self.close()

    def __reduce__(self):
        raise TypeError("a Demosaicer holds a library context and cannot be pickled; make a new one")

    def __repr__(self):
        state = "closed" if self._stream is None else "%s, %s" % (self.method, self.output)
        return "<tav.Demosaicer %s %dx%d, %s>" % (self._format.name, self._width, self._height, state)

    def _require_open(self):
        if self._stream is None:
            raise ValueError("Demosaicer: closed")

    def _require_output_fits(self, kind):
        _outputs.require_fits(self._width * self._height * kind.channels, "bytes")

    # ---- the stream's fixed properties ----

    @property
    def pixel_format(self):
        return self._format.name

    @property
    def width(self):
        return self._width

    @property
    def height(self):
        return self._height

    # ---- context settings ----

    @property
    def method(self):
        """"nearest", "bilinear", "edge", "hq", or the number given."""
        return _METHOD_NAMES.get(self._method, self._method)

    @method.setter
    def method(self, value):
        self._require_open()
        self._method = _formats.method(value)

    @property
    def output(self):
        return self._kind.name

    @output.setter
    def output(self, value):
        self._require_open()
        kind = _formats.output_type(value)
        self._require_output_fits(kind)
        check("tavDemosaicSetConfig", self._stream.set_output(kind.code))
        self._kind = kind

    @property
    def threads(self):
        return self._threads

    @threads.setter
    def threads(self, value):
        self._require_open()
        threads = _arguments.integer("threads", value, 0, INT32_MAX)
        check("tavDemosaicSetThreads", self._stream.set_threads(threads))
        self._threads = threads

    # ---- pipeline settings ----

    def update(self, **settings):
        """Changes several pipeline settings at once (black, wb, ccm, curve,
        gamma, shading), all or none: d.update(curve="gamma", gamma=2.2)."""
        unknown = sorted(set(settings) - set(_pipeline.Settings._fields))
        if unknown:
            raise TypeError("update: %s is not a pipeline setting (%s)"
                            % (unknown[0], ", ".join(_pipeline.Settings._fields)))
        self._apply(**{name: self._checked(name, value) for name, value in settings.items()})

    def _checked(self, name, value):
        """A pipeline setting as given, checked; None is the neutral value."""
        if name == "black":
            return _pipeline.NEUTRAL.black if value is None else _pipeline.black_level(value, self._format)
        if name == "wb":
            return _pipeline.NEUTRAL.wb if value is None else _pipeline.white_balance(value)
        if name == "ccm":
            return _pipeline.color_matrix(value)
        if name == "curve":
            return "linear" if value is None else _pipeline.curve_name(value)
        if name == "gamma":
            return _pipeline.gamma_value(value)
        return _pipeline.shading_table(value, self._height, self._width)

    def _apply(self, **changes):
        """Checked settings with `changes`, set on the context; the old ones
        stay when anything is refused."""
        self._require_open()
        settings = self._settings._replace(**changes)
        _pipeline.require_gamma(settings.curve, settings.gamma)
        check("tavDemosaicSetPipeline", self._stream.set_pipeline(*_pipeline.library_arguments(settings)))
        self._settings = settings

    @property
    def black(self):
        """Black levels in 2x2 tile order (top-left, top-right, bottom-left,
        bottom-right), in input sample units."""
        return self._settings.black

    @black.setter
    def black(self, value):
        self._apply(black=self._checked("black", value))

    @property
    def wb(self):
        """White-balance gains (R, G, B)."""
        return self._settings.wb

    @wb.setter
    def wb(self, value):
        self._apply(wb=self._checked("wb", value))

    @property
    def ccm(self):
        """The colour matrix, a read-only 3x3 float64 array."""
        matrix = np.array(self._settings.ccm, dtype=np.float64).reshape(3, 3)
        matrix.flags.writeable = False
        return matrix

    @ccm.setter
    def ccm(self, value):
        self._apply(ccm=self._checked("ccm", value))

    @property
    def curve(self):
        return self._settings.curve

    @curve.setter
    def curve(self, value):
        self._apply(curve=self._checked("curve", value))

    @property
    def gamma(self):
        """The gamma of curve "gamma" (None when not given)."""
        return self._settings.gamma

    @gamma.setter
    def gamma(self, value):
        self._apply(gamma=self._checked("gamma", value))

    @property
    def shading(self):
        return self._settings.shading

    @shading.setter
    def shading(self, value):
        self._apply(shading=self._checked("shading", value))
