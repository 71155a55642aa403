# tarncheckvalve.distributed against the command line, on a real LocalCluster of worker processes: the
# same gallery files, validate and diff output and exit codes, also when a worker is killed mid-run.
import copy
import json
import os
import re
import signal
import subprocess
import sys
import threading
import time

import pytest

distributed = pytest.importorskip(
    "distributed", reason="Dask's distributed package is missing (Debian: apt-get install python3-distributed)")

import tarncheckvalve as tcv  # noqa: E402
from tarncheckvalve import distributed as tcvd  # noqa: E402

COPIES = 5  # renamed copies of every sample part: a few hundred parts
# The test's own clusters listen on loopback only, the workers' HTTP servers too.
LOOPBACK = dict(host="127.0.0.1", dashboard_address="127.0.0.1:0", worker_dashboard_address="127.0.0.1:0")
FAILING = "swing-zero-face"


def program():
    path = os.environ.get("CHECKVALVE")
    if not path:
        pytest.skip("CHECKVALVE names no checkvalve program to compare with")
    return path


def cli(*args):
    done = subprocess.run([program(), *args], capture_output=True, text=True, check=False, timeout=600)
    return done.returncode, done.stdout


def many_parts():
    parts = []
    for k in range(COPIES):
        for part in tcv.samples():
            copied = copy.deepcopy(part)
            copied["name"] = f"{part['name']} copy/{k}"  # the '/' and ' ' become '-' in file names
            parts.append(copied)
    broken = copy.deepcopy(tcv.samples()[0])
    broken["name"] = FAILING
    broken["inputs"]["FacetoFace"] = 0.0
    parts.append(broken)
    return parts


@pytest.fixture(scope="module")
def catalog(tmp_path_factory):
    path = tmp_path_factory.mktemp("catalog") / "many.json"
    path.write_text(json.dumps({"parts": many_parts()}))
    return str(path)


@pytest.fixture(scope="module")
def cli_gallery(catalog, tmp_path_factory):
    out = tmp_path_factory.mktemp("cli-gallery")
    code, stdout = cli("gallery", str(out), catalog, "--jobs", "2")
    return out, code, stdout


@pytest.fixture(scope="module")
def cluster():
    with distributed.LocalCluster(n_workers=2, threads_per_worker=1, processes=True, silence_logs=50,
                                  **LOOPBACK) as local:
        yield local


def run(capsys, cluster, *args):
    capsys.readouterr()
    code = tcvd.main([*args, "--scheduler", cluster.scheduler_address])
    captured = capsys.readouterr()
    return code, captured.out, captured.err


def stamped_content(data):
    # Each STEP and IFC file carries the moment it was written (an IFC file also as its owner history's
    # creation date, in seconds); everything else is the same bytes.
    data = re.sub(rb"'\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d(\+00:00)?'", b"'TIME'", data, count=1)
    return re.sub(rb"(=IFCOWNERHISTORY\([^;]*,)\d+\);", rb"\1TIME);", data, count=1)


KEYS = "index.keys.json"  # each program's own record of what it rendered: not compared


def gallery_files(folder):
    return sorted(n for n in os.listdir(folder) if n.endswith((".glb", ".step", ".ifc", ".json")) and n != KEYS)


def assert_same_gallery(expected, actual, count=None):
    names = gallery_files(expected)
    assert names == gallery_files(actual)
    assert len(names) == (count or 4 * (COPIES * len(tcv.samples()) + 1) + 1)
    for name in names:
        a = (expected / name).read_bytes()
        b = (actual / name).read_bytes()
        if name.endswith((".step", ".ifc")):
            a, b = stamped_content(a), stamped_content(b)
        assert a == b, name


def test_gallery_gives_the_command_lines_files_and_failing_part(capsys, cluster, catalog, cli_gallery, tmp_path):
    expected, cli_code, cli_stdout = cli_gallery
    out = tmp_path / "dask"
    code, stdout, err = run(capsys, cluster, "gallery", str(out), catalog, "--chunk-size", "7")
    assert code == cli_code == 1  # the failing part fails both
    assert_same_gallery(expected, out)
    index = json.loads((out / "index.json").read_text())
    failed = [p for p in index["parts"] if p["status"] == "failed"]
    assert [p["name"] for p in failed] == [FAILING] and failed[0]["error"]
    assert stdout.replace(str(out), "OUT") == cli_stdout.replace(str(expected), "OUT")
    viewer = sorted(str(p.relative_to(expected)) for p in expected.rglob("*") if p.suffix in (".html", ".js"))
    assert viewer and viewer == sorted(str(p.relative_to(out)) for p in out.rglob("*") if p.suffix in (".html", ".js"))
    assert "parts/s" in err and "ETA" in err


def test_gallery_is_complete_after_a_worker_is_killed(capsys, catalog, cli_gallery, tmp_path):
    expected = cli_gallery[0]
    out = tmp_path / "killed"
    with distributed.LocalCluster(n_workers=2, threads_per_worker=1, processes=True, silence_logs=50,
                                  **LOOPBACK) as local:
        result = {}
        runner = threading.Thread(target=lambda: result.update(code=tcvd.main(
            ["gallery", str(out), catalog, "--chunk-size", "5", "--scheduler", local.scheduler_address])))
        runner.start()
        deadline = time.monotonic() + 120
        while time.monotonic() < deadline and len(list(out.glob("*.glb"))) < 20:
            time.sleep(0.05)
        victim = next(iter(local.workers.values()))
        os.kill(victim.process.process.pid, signal.SIGKILL)
        runner.join(timeout=600)
        assert not runner.is_alive()
    assert result["code"] == 1  # only the failing part fails
    assert_same_gallery(expected, out)
    assert not list(out.glob(".*.partial-*"))


@pytest.mark.parametrize("options", [[], ["--strict", "--quiet"]])
def test_validate_prints_and_reports_as_the_command_line(capsys, cluster, catalog, tmp_path, options):
    for extension in (".json", ".xml", ".html"):
        cli_report, dask_report = tmp_path / f"cli{extension}", tmp_path / f"dask{extension}"
        cli_code, cli_stdout = cli("validate", catalog, "--jobs", "2", "--report", str(cli_report), *options)
        code, stdout, _ = run(capsys, cluster, "validate", catalog, "--report", str(dask_report), *options)
        assert (code, stdout) == (cli_code, cli_stdout)
        assert dask_report.read_bytes() == cli_report.read_bytes()


def test_diff_prints_as_the_command_line(capsys, cluster, catalog, tmp_path):
    parts = many_parts()
    parts[3]["inputs"]["FacetoFace"] *= 1.5  # graphics change
    parts[7]["description"] += " (edited)"  # data only
    parts[9]["ports"][0]["flangeThickness"] = 0.05
    removed = parts.pop(11)["name"]
    parts.append(dict(copy.deepcopy(parts[0]), name="a new part"))
    new = tmp_path / "new.json"
    new.write_text(json.dumps({"parts": parts}))
    for options in ([], ["--json"], ["--aspect", "insulation"]):
        cli_code, cli_stdout = cli("diff", catalog, str(new), "--jobs", "2", *options)
        code, stdout, err = run(capsys, cluster, "diff", catalog, str(new), *options)
        assert (code, stdout) == (cli_code, cli_stdout) and code == 1
        assert removed in stdout and "1 part(s) added, 1 removed" in err
    assert run(capsys, cluster, "diff", catalog, catalog)[:2] == (0, "")


@pytest.mark.parametrize("args,message", [
    (["gallery", "{tmp}/out", "{tmp}/missing.json"], "no such"),
    (["validate", "{tmp}/bad.json"], "partDataBasis"),
    (["diff", "{tmp}/bad.json", "{tmp}/bad.json"], "partDataBasis"),
    (["validate", "--report", "{tmp}/r.txt"], ".json, .xml or .html"),
    (["validate", "--host", "0.0.0.0"], "--host is for the LocalCluster"),
    (["validate", "--connect-timeout", "0.5"], "cannot reach the scheduler tcp://127.0.0.1:9 within 0.5 s"),
])
def test_bad_input_exits_2_before_any_work(capsys, tmp_path, args, message):
    (tmp_path / "bad.json").write_text('{"parts": [{"name": "v", "partDataBasis": "one"}]}')
    # No cluster is reached: the scheduler address leads nowhere.
    code = tcvd.main([a.format(tmp=tmp_path) for a in args] + ["--scheduler", "tcp://127.0.0.1:9"])
    assert code == 2
    err = capsys.readouterr().err
    assert message in err
    assert len(err.strip().splitlines()) == 1, err  # one line, no traceback


def test_a_part_over_its_budget_fails_alone_as_in_the_command_line(capsys, cluster, tmp_path):
    # The built-in samples with a triangle limit that some of them exceed: the same parts fail and the
    # others are written. (Which output was being meshed when the limit was reached is not compared: the
    # command line meshes a part's outputs in parallel.)
    cli_code, _ = cli("gallery", str(tmp_path / "cli"), "--triangle-limit", "5000", "--jobs", "2")
    code, stdout, _ = run(capsys, cluster, "gallery", str(tmp_path / "dask"), "--triangle-limit", "5000")
    assert code == cli_code == 1
    index = [json.loads((tmp_path / side / "index.json").read_text())["parts"] for side in ("cli", "dask")]
    statuses = [{p["name"]: p["status"] for p in parts} for parts in index]
    assert statuses[0] == statuses[1] and set(statuses[1].values()) == {"ok", "failed"}
    for part in index[1]:
        assert ("triangles" in part.get("error", "")) == (part["status"] == "failed")
        assert (tmp_path / "dask" / part["files"]["report"]).is_file()
    assert stdout.count("FAILED") == list(statuses[1].values()).count("failed")


def listening_sockets(root):
    """(process id, address) of every socket `root` and the processes below it listen on."""
    import psutil

    found = set()
    try:
        processes = [root, *root.children(recursive=True)]
    except psutil.Error:
        return found
    for process in processes:
        try:
            sockets = process.connections(kind="inet")
        except psutil.Error:  # ended meanwhile
            continue
        found |= {(process.pid, s.laddr.ip) for s in sockets if s.status == psutil.CONN_LISTEN}
    return found


@pytest.mark.parametrize("options,addresses", [([], {"127.0.0.1"}), (["--host", "::1"], {"::1"})])
def test_local_cluster_listens_on_its_host_only(catalog, tmp_path, options, addresses):
    # The runner with a LocalCluster of two workers, in a process group of its own: every socket its
    # processes (scheduler and nannies in the runner, the workers below it) listen on, HTTP servers
    # included, is on the asked address, loopback by default. Watched until both workers listen.
    psutil = pytest.importorskip("psutil")
    package = os.path.dirname(os.path.dirname(tcv.__file__))
    env = dict(os.environ, PYTHONPATH=os.pathsep.join(filter(None, [package, os.environ.get("PYTHONPATH")])))
    with open(tmp_path / "stderr", "wb") as stderr:
        runner = subprocess.Popen([sys.executable, "-m", "tarncheckvalve.distributed", "validate", catalog,
                                   "--workers", "2", *options], env=env, stdout=subprocess.DEVNULL,
                                  stderr=stderr, start_new_session=True)
    seen = set()
    try:
        root = psutil.Process(runner.pid)
        deadline = time.monotonic() + 120
        while time.monotonic() < deadline and runner.poll() is None:
            seen |= listening_sockets(root)
            workers = {pid for pid, _ in seen if pid != runner.pid}
            if len(workers) >= 2 and all(sum(1 for p, _ in seen if p == w) >= 2 for w in workers):
                break
            time.sleep(0.1)
        time.sleep(0.5)  # what starts late (a worker's HTTP server after its listener)
        seen |= listening_sockets(root)
    finally:
        try:
            os.killpg(runner.pid, signal.SIGKILL)
        except ProcessLookupError:
            pass
        runner.wait(timeout=30)
    workers = {pid for pid, _ in seen if pid != runner.pid}
    assert len(workers) >= 2, (tmp_path / "stderr").read_text()
    assert {address for _, address in seen} == addresses


def test_gallery_removes_what_killed_workers_left_unfinished(capsys, cluster, tmp_path):
    # A staging file as a worker killed while writing leaves it, beside files that only look alike: a
    # user's file of the pattern but no gallery file's, one whose suffix is not the writer's, one without
    # the leading dot, and a link. Only the staging file goes.
    parts = tcv.samples()[:2]
    catalog = tmp_path / "two.json"
    catalog.write_text(json.dumps({"parts": parts}))
    out = tmp_path / "out"
    out.mkdir()
    stem = tcv.gallery_file_stems([parts[0]["name"]])[0]
    left = out / f".{stem}.glb.partial-0a1b2c3d4e5f"
    kept = [out / ".notes.txt.partial-0a1b2c3d4e5f", out / f".{stem}.glb.partial-0A1B2C3D4E5F",
            out / f".{stem}.glb.partial-0a1b2c3d4e5f.bak", out / f"{stem}.glb.partial-0a1b2c3d4e5f"]
    for path in [left, *kept]:
        path.write_bytes(b"glTF unfinished")
    link = out / f".{stem}.step.partial-0a1b2c3d4e5f"
    link.symlink_to(kept[0])
    code, _, err = run(capsys, cluster, "gallery", str(out), str(catalog))
    assert code == 0
    assert not left.exists()
    assert all(path.read_bytes() == b"glTF unfinished" for path in kept)
    assert link.is_symlink()
    assert "removed 1 unfinished file(s)" in err


def identities(folder):
    return {p.name: (p.stat().st_ino, p.stat().st_mtime_ns) for p in folder.iterdir() if p.is_file()}


def test_gallery_again_renders_only_the_parts_that_changed(capsys, cluster, tmp_path):
    parts = copy.deepcopy(tcv.samples()[:6])
    catalog = tmp_path / "six.json"
    catalog.write_text(json.dumps({"parts": parts}))
    out = tmp_path / "out"
    code, _, err = run(capsys, cluster, "gallery", str(out), str(catalog))
    assert code == 0 and "6 parts: 6 changed, 0 removed, 0 unchanged" in err

    # The same catalogue again: no task, no file written.
    before = identities(out)
    code, stdout, err = run(capsys, cluster, "gallery", str(out), str(catalog))
    assert code == 0 and "6 parts: 0 changed, 0 removed, 6 unchanged" in err and "parts/s" not in err
    assert "6 parts: 0 changed, 0 removed, 6 unchanged" in stdout
    assert identities(out) == before

    # One part changed, one removed: one task, the removed part's files gone, the others untouched.
    parts[0]["inputs"]["FacetoFace"] = parts[0]["inputs"].get("FacetoFace", 0.2) * 1.1
    removed = parts.pop()
    catalog.write_text(json.dumps({"parts": parts}))
    stems = tcv.gallery_file_stems([p["name"] for p in parts + [removed]])
    code, _, err = run(capsys, cluster, "gallery", str(out), str(catalog))
    assert code == 0 and "5 parts: 1 changed, 1 removed, 4 unchanged" in err and "gallery: 1/1 parts" in err
    after = identities(out)
    assert not [name for name in after if name.startswith(stems[-1] + ".")]
    assert {name for name in after if after[name] != before.get(name) and name.endswith(".json")} == {
        f"{stems[0]}.json", "index.json", KEYS}

    # The files are those of the command line's cold gallery of the same catalogue.
    cold = tmp_path / "cold"
    assert cli("gallery", str(cold), str(catalog))[0] == 0
    assert_same_gallery(cold, out, count=4 * 5 + 1)
