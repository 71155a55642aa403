"""The TarnCheckValve check valve symbol: definition, sample parts, catalogues, and evaluation of a part
into a report, STEP, GLB, STL and IFC files and Open CASCADE BRep shapes. Lengths are metres."""

import os
from typing import Any, Iterable, Union

__version__: str

_Path = Union[str, os.PathLike[str]]

def definition() -> dict[str, Any]:
    """The definition the symbol declares (progId, inputs, aspects with their outputs, evaluations): the
    document `checkvalve definition --json` prints."""

def samples() -> list[dict[str, Any]]:
    """The built-in sample parts, each a part dict as a catalogue holds it, ready for evaluate()."""

def load_catalog(path: _Path) -> list[dict[str, Any]]:
    """The parts of a catalogue file, each a part dict ready for evaluate(). FileNotFoundError for a
    missing file, ValueError naming the part and field for a malformed one."""

def evaluate(
    part: dict[str, Any],
    aspects: Union[str, Iterable[str]] = ("Physical", "Insulation"),
    *,
    time_limit: float = 30.0,
    triangle_limit: int = 2000000,
) -> Evaluation:
    """Evaluates the asked aspects of a part dict with the symbol. A malformed part raises ValueError naming
    the field; a failing aspect is reported ("ok": false), not raised. Runs without the GIL. The evaluation
    and each write end with a reason after time_limit seconds; a write also when its meshes would hold
    more than triangle_limit triangles (0: no limit)."""

class Evaluation:
    """An evaluated part: its report and its shapes, written as files or as BRep text."""

    @property
    def report(self) -> dict[str, Any]:
        """The report, equal to what `checkvalve eval --json` prints for the part."""
    @property
    def ok(self) -> bool:
        """True when every evaluated aspect succeeded."""
    @property
    def name(self) -> str:
        """The part's name."""
    @property
    def aspects(self) -> list[str]:
        """The evaluated aspects, in order."""
    def write_glb(self, path: _Path) -> None:
        """Binary glTF of every evaluated aspect; written whole or not at all (OSError)."""
    def write_step(self, path: _Path) -> None:
        """STEP AP214 with names and colours; written whole or not at all (OSError)."""
    def write_stl(self, path: _Path) -> None:
        """Binary STL of the Physical aspect (ValueError without it); whole or not at all (OSError)."""
    def write_ifc(self, path: _Path) -> None:
        """IFC4: the valve with ports and body, the insulation as a covering; whole or not at all (OSError)."""
    def shapes(self, aspect: str) -> list[tuple[str, str, str]]:
        """(output name, kind, Open CASCADE BRep text) per output of the aspect that has geometry."""

# What tarncheckvalve.distributed's tasks and its final assembly use: the command line's own gallery,
# validate and diff logic, one part (or one document) at a time.

def limit_threads(threads: int) -> None:
    """Limits the geometry kernel's parallel loops (meshing) in this process to `threads` (0: no limit)."""

def printable(text: str) -> str:
    """The text as `checkvalve` prints it to a terminal: control characters escaped."""

def gallery_file_stems(names: list[str]) -> list[str]:
    """The gallery's file names (no extension) for parts of these names, as `checkvalve gallery` names them."""

def render_gallery_part(
    part: dict[str, Any],
    folder: _Path,
    stem: str,
    *,
    time_limit: float = 30.0,
    triangle_limit: int = 2000000,
    ifc_geometry: str = "exact",
) -> tuple[dict[str, Any], list[str]]:
    """Writes <stem>.json/.glb/.step/.ifc into folder as `checkvalve gallery` does; (index item, errors)."""

class GalleryPlan:
    """The parts of a gallery folder to render again, as `checkvalve gallery` finds them from their content
    keys and the folder's index.keys.json; holds the folder while it lives (OSError when another run does)."""

    def __init__(
        self,
        folder: _Path,
        parts: list[dict[str, Any]],
        stems: list[str],
        *,
        time_limit: float = 30.0,
        triangle_limit: int = 2000000,
        ifc_geometry: str = "exact",
        force: bool = False,
    ) -> None: ...
    def changed_parts(self) -> list[int]:
        """Indices of the parts to render, in order."""
    def unchanged(self, part: int) -> bool: ...
    def kept_item(self, part: int) -> dict[str, Any]:
        """The index.json item kept for an unchanged part."""
    def staging_files_removed(self) -> int:
        """Staging files of gallery files a run cut short had left, removed when the plan was made."""
    def counts(self) -> dict[str, Any]:
        """parts, changed, removed, unchanged, and text: "N parts: C changed, R removed, U unchanged"."""
    def clear_stale(self) -> None:
        """Keeps only the unchanged parts' keys, then removes removed parts' and to-be-rendered parts' files."""
    def record(self, part: int, item: dict[str, Any], whole: bool) -> None:
        """After a part was rendered: its index item and whether it rendered whole."""
    def write_keys(self) -> None:
        """Writes the keys of the unchanged and recorded parts (OSError when it cannot)."""

def write_gallery_index(folder: _Path, source: str, items: list[dict[str, Any]]) -> None:
    """Writes folder/index.json of the items, whole or not at all (OSError); source "" for the samples."""

def check_viewer_folder(folder: str) -> None:
    """OSError when the folder's app/ or app/three/ is a link or no folder, as `checkvalve gallery` refuses."""

def write_viewer(folder: str) -> bool:
    """Copies the browser viewer into a gallery folder; True when it can then show models."""

def validate_part(part: dict[str, Any], *, record_only: bool = False) -> dict[str, Any]:
    """The part's outcome as `checkvalve validate` keeps it: per aspect ok, error, failure, outputs; warnings."""

def validate_summary(
    catalog: str,
    outcomes: list[dict[str, Any]],
    *,
    strict: bool = False,
    quiet: bool = False,
    report: Union[str, None] = None,
) -> tuple[str, int]:
    """(the text `checkvalve validate` prints, its exit code); with report also writes it (.json/.xml/.html)."""

def diff_changed_parts(old: str, new: str) -> list[tuple[str, dict[str, Any], dict[str, Any]]]:
    """(name, old part, new part) of each part whose data differ, in name order (ValueError: bad catalogue)."""

def diff_report(part: dict[str, Any], aspects: Union[str, Iterable[str]] = ("Physical", "Insulation")) -> dict[str, Any]:
    """The part's report as `checkvalve diff` compares it (without the recorded creations)."""

def diff_summary(
    old: str, new: str, reports: dict[str, tuple[dict[str, Any], dict[str, Any]]], *, json: bool = False
) -> tuple[str, str, int]:
    """(stdout text, summary line, exit code) of `checkvalve diff old new` from the changed parts' reports."""
