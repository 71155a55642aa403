# The Python module against the command line: the same definition, parts and reports, the same
# messages for malformed parts, evaluations on threads, and the files and shapes it writes.
import ast
import copy
import json
import os
import pathlib
import shutil
import subprocess
import sys
import threading

import pytest

import tarncheckvalve as tcv

SAMPLES = {part["name"]: part for part in tcv.samples()}
SWING = "default-1-nps4-cl150-swing"


def cli_report(checkvalve, *args, expect=0):
    return json.loads(checkvalve("eval", *args, "--json", expect=expect).stdout)


def test_definition_and_samples_are_the_command_lines(checkvalve):
    assert tcv.definition() == json.loads(checkvalve("definition", "--json").stdout)
    listed = json.loads(checkvalve("samples", "--json").stdout)["parts"]
    assert [p["name"] for p in listed] == list(SAMPLES)
    assert tcv.__version__.count(".") == 2


@pytest.mark.parametrize("name", sorted(SAMPLES))
def test_every_sample_reports_as_eval_json(checkvalve, name):
    evaluation = tcv.evaluate(SAMPLES[name])
    assert evaluation.report == cli_report(checkvalve, "--sample", name)
    assert evaluation.name == name and evaluation.aspects == ["Physical", "Insulation"]


@pytest.mark.parametrize("aspects,option", [(("Physical",), "physical"), ("Insulation", "insulation"),
                                            (["Physical", "Insulation"], "both")])
def test_aspects_as_the_command_lines_aspect_option(checkvalve, aspects, option):
    report = tcv.evaluate(SAMPLES[SWING], aspects=aspects).report
    assert report == cli_report(checkvalve, "--sample", SWING, "--aspect", option)


def test_load_catalog_reads_the_parts_eval_reads(checkvalve, tmp_path):
    parts = [SAMPLES[SWING], SAMPLES["wafer-2256-nps2-female"]]
    path = tmp_path / "two.json"
    path.write_text(json.dumps({"parts": parts}))
    assert tcv.load_catalog(path) == parts
    assert tcv.load_catalog(str(path)) == parts
    loaded = tcv.load_catalog(path)[1]
    cli = cli_report(checkvalve, str(path), "--part", loaded["name"])
    assert tcv.evaluate(loaded).report == cli


def test_load_catalog_refuses_missing_and_malformed_files(tmp_path):
    with pytest.raises(FileNotFoundError, match="nowhere.json"):
        tcv.load_catalog(tmp_path / "nowhere.json")
    bad = tmp_path / "bad.json"
    bad.write_text('{"parts": [{"name": "v", "partDataBasis": "one"}]}')
    with pytest.raises(ValueError, match=r"bad.json: part 'v': partDataBasis: expected a whole number"):
        tcv.load_catalog(bad)
    with pytest.raises(ValueError, match="not a catalogue file"):
        tcv.load_catalog(tmp_path)


def with_change(change):
    part = copy.deepcopy(SAMPLES[SWING])
    part["name"] = "changed"
    change(part)
    return part


MALFORMED = [
    ("inputs.FacetoFace", lambda p: p["inputs"].__setitem__("FacetoFace", "long")),
    ("inputs.FaceToFace", lambda p: p["inputs"].__setitem__("FaceToFace", 0.3)),
    ("ports[1].pipeOD", lambda p: p["ports"][1].__setitem__("pipeOD", [1])),
    ("ports", lambda p: p.__setitem__("ports", {"index": 1})),
    ("partDataBasis", lambda p: p.__setitem__("partDataBasis", 1.5)),
    ("colour", lambda p: p.__setitem__("colour", "red")),
]


@pytest.mark.parametrize("field,change", MALFORMED, ids=[field for field, _ in MALFORMED])
def test_malformed_part_raises_the_command_lines_message(checkvalve, tmp_path, field, change):
    part = with_change(change)
    with pytest.raises(ValueError) as raised:
        tcv.evaluate(part)
    message = str(raised.value)
    assert f": {field}: " in message
    path = tmp_path / "part.json"
    path.write_text(json.dumps(part))
    stderr = checkvalve("eval", str(path), expect=2).stderr
    # The same message after the name of the source (the file, or "part").
    assert message.split(": ", 1)[1] in stderr


@pytest.mark.parametrize("value,error,text", [
    (float("nan"), ValueError, "part.inputs.FacetoFace: expected a finite number"),
    (float("inf"), ValueError, "part.inputs.FacetoFace: expected a finite number"),
    (2**70, ValueError, "part.inputs.FacetoFace: the whole number"),
    (object(), TypeError, "part.inputs.FacetoFace: expected a dict, list, str, number, bool or None"),
    ({1: 2}, TypeError, "part.inputs.FacetoFace: keys must be text"),
])
def test_values_json_cannot_hold_are_refused_by_place(value, error, text):
    with pytest.raises(error, match=text.replace(".", r"\.").replace("[", r"\[")):
        tcv.evaluate(with_change(lambda p: p["inputs"].__setitem__("FacetoFace", value)))


def test_a_part_holding_itself_is_refused():
    part = with_change(lambda p: None)
    part["inputs"]["self"] = part
    with pytest.raises(ValueError, match="nested more than"):
        tcv.evaluate(part)


@pytest.mark.parametrize("aspects,error", [
    ((), ValueError), (("physical",), ValueError), (("Physical", "Physical"), ValueError), ((1,), TypeError),
    (3, TypeError)])
def test_bad_aspects_are_refused(aspects, error):
    with pytest.raises(error, match="aspects"):
        tcv.evaluate(SAMPLES[SWING], aspects=aspects)


def test_a_failing_aspect_is_in_the_report_not_raised(checkvalve, tmp_path):
    part = with_change(lambda p: p.__setitem__("partDataBasis", 9999))
    evaluation = tcv.evaluate(part)
    assert not evaluation.ok
    assert [a["ok"] for a in evaluation.report["aspects"]] == [False, False]
    path = tmp_path / "part.json"
    path.write_text(json.dumps(part))
    assert evaluation.report == cli_report(checkvalve, str(path), expect=1)


def test_two_threads_evaluating_at_once_agree_with_one():
    names = [SWING, "multi-port-2381-nps4-cl150-jacketed", "operator-base-2198-nps4-cl150", SWING]
    alone = [tcv.evaluate(SAMPLES[name]).report for name in names]
    together = [None] * len(names)
    start = threading.Barrier(2)

    def work(first):
        start.wait()
        for i in range(first, len(names), 2):
            together[i] = tcv.evaluate(SAMPLES[names[i]]).report

    threads = [threading.Thread(target=work, args=(t,)) for t in range(2)]
    for thread in threads:
        thread.start()
    for thread in threads:
        thread.join()
    assert together == alone


def test_writes_every_format(tmp_path):
    evaluation = tcv.evaluate(SAMPLES[SWING])
    evaluation.write_glb(tmp_path / "v.glb")
    evaluation.write_step(str(tmp_path / "v.step"))
    evaluation.write_stl(tmp_path / "v.stl")
    evaluation.write_ifc(tmp_path / "v.ifc")
    assert (tmp_path / "v.glb").read_bytes()[:4] == b"glTF"
    assert (tmp_path / "v.step").read_text().startswith("ISO-10303-21;")
    stl = (tmp_path / "v.stl").read_bytes()
    triangles = int.from_bytes(stl[80:84], "little")
    assert triangles > 100 and len(stl) == 84 + 50 * triangles
    assert "IFCVALVE" in (tmp_path / "v.ifc").read_text()


def test_writes_that_cannot_work_raise_and_leave_nothing(tmp_path):
    evaluation = tcv.evaluate(SAMPLES[SWING], aspects=("Insulation",))
    with pytest.raises(ValueError, match="Physical"):
        evaluation.write_stl(tmp_path / "v.stl")
    with pytest.raises(OSError):
        evaluation.write_glb(tmp_path / "missing" / "v.glb")
    assert os.listdir(tmp_path) == []


def test_shapes_are_brep_text_of_every_drawn_output():
    evaluation = tcv.evaluate(SAMPLES["operator-base-2198-nps4-cl150"])
    for aspect in evaluation.report["aspects"]:
        drawn = [(o["name"], o["kind"]) for o in aspect["outputs"] if o.get("bbox") is not None]
        shapes = evaluation.shapes(aspect["name"])
        assert [(name, kind) for name, kind, _ in shapes] == drawn
        assert all(brep.startswith("\nCASCADE Topology V") or brep.startswith("CASCADE Topology V")
                   for _, _, brep in shapes)
    with pytest.raises(ValueError, match="holds no aspect \"Insulation\""):
        tcv.evaluate(SAMPLES[SWING], aspects="Physical").shapes("Insulation")


@pytest.mark.parametrize(
    "limits, error",
    [({"time_limit": -1}, "time_limit"), ({"time_limit": 1e9}, "time_limit"), ({"triangle_limit": -5}, "triangle_limit")],
)
def test_limits_out_of_range_are_refused(limits, error):
    with pytest.raises(ValueError, match=error):
        tcv.evaluate(tcv.samples()[0], **limits)


def test_limits_end_the_work_with_their_reason_and_leave_nothing(tmp_path):
    swing = next(part for part in tcv.samples() if part["name"] == "default-1-nps4-cl150-swing")
    long_body = copy.deepcopy(swing)
    long_body["inputs"]["FacetoFace"] = 2920  # metres typed for millimetres, and ten times over
    evaluation = tcv.evaluate(long_body)
    assert any("over 20 m" in warning for warning in evaluation.report["warnings"])
    with pytest.raises(OSError, match="triangles on one face"):
        evaluation.write_glb(tmp_path / "long.glb")
    with pytest.raises(OSError, match="meshing would exceed 100 triangles"):
        tcv.evaluate(swing, triangle_limit=100).write_stl(tmp_path / "swing.stl")
    assert os.listdir(tmp_path) == []
    # A limit too short for any work fails the evaluation, and its report says why.
    hurried = tcv.evaluate(swing, time_limit=1e-6)
    assert not hurried.ok
    assert "time limit of 1e-06 s reached" in hurried.report["aspects"][0]["error"]["message"]



def test_the_type_stub_declares_what_the_module_offers():
    # The writers come from the export-format table: a format added there is a method of Evaluation, and
    # the stub must name it, as it names every function of the module.
    stub = ast.parse((pathlib.Path(__file__).resolve().parents[2] / "src/python/tarncheckvalve.pyi").read_text())
    functions = {node.name for node in stub.body if isinstance(node, ast.FunctionDef)}
    evaluation = next(node for node in stub.body if isinstance(node, ast.ClassDef) and node.name == "Evaluation")
    methods = {node.name for node in evaluation.body if isinstance(node, ast.FunctionDef)}
    classes = {node.name for node in stub.body if isinstance(node, ast.ClassDef)}
    offered = {name for name in dir(tcv) if not name.startswith("_") and callable(getattr(tcv, name))}
    assert functions | classes == offered
    writers = {name for name in dir(tcv.Evaluation) if name.startswith("write_")}
    assert writers == {"write_glb", "write_step", "write_stl", "write_ifc"}
    assert writers == {name for name in methods if name.startswith("write_")}


def test_a_package_without_its_extension_says_how_to_build_it(tmp_path):
    # The package's Python files without the compiled extension, as a source tree or a half-built one has.
    package = tmp_path / "tarncheckvalve"
    package.mkdir()
    shutil.copy(pathlib.Path(tcv.__file__), package / "__init__.py")
    done = subprocess.run([sys.executable, "-c", "import tarncheckvalve"], capture_output=True, text=True,
                          env=dict(os.environ, PYTHONPATH=str(tmp_path)), check=False)
    assert done.returncode == 1
    last = done.stderr.strip().splitlines()[-1]
    assert last.startswith("ImportError: tarncheckvalve: the compiled extension _tarncheckvalve is missing")
    assert "bash scripts/run-main.sh" in last and "PYTHONPATH=build/release/python" in last


def test_a_gallery_plan_holds_its_folder_and_vouches_only_for_files_in_it(tmp_path):
    part = tcv.samples()[0]
    out = tmp_path / "out"
    out.mkdir()
    outside = tmp_path / "outside.glb"
    outside.write_bytes(b"mine")
    plan = tcv.GalleryPlan(out, [part], ["p"])
    assert plan.changed_parts() == [0] and plan.counts()["text"] == "1 parts: 1 changed, 0 removed, 0 unchanged"
    # One run at a time: a second plan of the folder is refused while the first holds it.
    with pytest.raises(OSError, match="another gallery run"):
        tcv.GalleryPlan(out, [part], ["p"])
    # An item naming a file outside the folder is not vouched for, so no later run removes that file.
    plan.record(0, {"files": {"glb": "../outside.glb"}}, True)
    plan.write_keys()
    assert json.loads((out / "index.keys.json").read_text())["parts"] == []
    del plan
    again = tcv.GalleryPlan(out, [part], ["p"])
    again.clear_stale()
    assert again.changed_parts() == [0] and outside.read_bytes() == b"mine"
