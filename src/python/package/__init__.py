"""The TarnCheckValve check valve symbol: definition, sample parts, catalogues, and evaluation of a part
into a report, STEP, GLB, STL and IFC files and Open CASCADE BRep shapes. Lengths are metres.

The functions live in the compiled extension `tarncheckvalve._tarncheckvalve`; this package re-exports
them. `python3 -m tarncheckvalve.distributed` renders, validates and compares catalogues on a Dask
cluster (see that module)."""

try:
    from ._tarncheckvalve import *  # noqa: F401,F403 (the extension's functions and the Evaluation class)
    from ._tarncheckvalve import __version__  # noqa: F401
except ModuleNotFoundError as error:
    if error.name != __name__ + "._tarncheckvalve":
        raise
    import os as _os

    raise ImportError(
        "tarncheckvalve: the compiled extension _tarncheckvalve is missing from " + _os.path.dirname(__file__) +
        ". Build it with `bash scripts/run-main.sh` (or `cmake --build build/release --target tcv_python`) and "
        "use PYTHONPATH=build/release/python, or install the python3-tarncheckvalve package.") from None
