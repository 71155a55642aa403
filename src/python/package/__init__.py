"""The TarnCheckValve check valve symbol: definition, sample parts, catalogues, and evaluation of a part
into a report, STEP, GLB, STL and IFC files and Open CASCADE BRep shapes. Lengths are metres.

The functions live in the compiled extension `tarncheckvalve._tarncheckvalve`; this package re-exports
them. `python3 -m tarncheckvalve.distributed` renders, validates and compares catalogues on a Dask
cluster (see that module)."""

from ._tarncheckvalve import *  # noqa: F401,F403 (the extension's functions and the Evaluation class)
from ._tarncheckvalve import __version__  # noqa: F401
