"""`checkvalve gallery`, `validate` and `diff` computed by Dask tasks, on one machine or many.

    python3 -m tarncheckvalve.distributed gallery OUT [CATALOG] [--scheduler ADDR | --workers N [--host ADDR]]
    python3 -m tarncheckvalve.distributed validate [CATALOG] [--report R.json|.xml|.html] [--strict]
    python3 -m tarncheckvalve.distributed diff OLD NEW [--json]

Each prints, writes and exits as the `checkvalve` command of the same name. The parts are cut into
chunks; each chunk is one Dask task that evaluates (and, for the gallery, exports) its parts inside a
worker, one part at a time on the task's thread. Gallery files are written by the workers straight into
OUT, each whole or not at all, so OUT must be a folder every worker reaches under the same path. Into a
folder that holds an earlier gallery only the parts whose files would change become tasks, as with
`checkvalve gallery` (--force renders all). The gallery's index.json, its browser viewer and validate's report are written at the end, by this process,
from the tasks' results. Without --scheduler a LocalCluster of --workers processes is started and stopped again;
its scheduler, nannies, workers and their HTTP servers listen on 127.0.0.1 only, or on --host: whoever
reaches a Dask port can run code in it.

A task whose worker dies is run again on another worker by the scheduler, and one that raises is retried
(--retries): files are rewritten whole, so a re-run chunk leaves the same files as a first run. The
unfinished file a killed worker leaves behind is removed before the index is written.
"""

import argparse
import logging
import math
import os
import re
import sys
import time

import tarncheckvalve as tcv

PROGRAM = "tarncheckvalve.distributed"

# Exit codes, as the command line's.
EXIT_OK, EXIT_FAILED, EXIT_BAD_INPUT = 0, 1, 2


class BadInput(Exception):
    """A command line or catalogue that cannot work: printed, exit code 2."""


# --- inside the workers ---------------------------------------------------------------------------------

_threads_limited = False


def _worker_setup():
    # One part per worker thread: the geometry kernel's meshing loops run on the calling thread only,
    # so a worker of T threads uses T cores, as Dask was told.
    global _threads_limited
    if not _threads_limited:
        tcv.limit_threads(1)
        _threads_limited = True


def gallery_chunk(parts, stems, folder, time_limit, triangle_limit, ifc_geometry):
    """Renders a chunk of parts into `folder`: per part (index item, errors)."""
    _worker_setup()
    return [
        tcv.render_gallery_part(part, folder, stem, time_limit=time_limit, triangle_limit=triangle_limit,
                                ifc_geometry=ifc_geometry)
        for part, stem in zip(parts, stems)
    ]


def validate_chunk(parts, record_only):
    """Validate's outcome per part of a chunk."""
    _worker_setup()
    return [tcv.validate_part(part, record_only=record_only) for part in parts]


def diff_chunk(pairs, aspects):
    """Per (name, old part, new part): (name, (old report, new report)) as diff compares them."""
    _worker_setup()
    return [(name, (tcv.diff_report(old, aspects), tcv.diff_report(new, aspects))) for name, old, new in pairs]


# --- in the process that runs the command ---------------------------------------------------------------


class Progress:
    """Parts done, parts per second and the time left, on stderr: one redrawn line on a terminal, about
    ten plain lines otherwise."""

    def __init__(self, label, total, stream=None):
        self.label, self.total, self.done = label, total, 0
        self.stream = stream or sys.stderr
        self.terminal = self.stream.isatty()
        self.start = time.monotonic()
        self.last_printed = 0

    def advance(self, count):
        self.done += count
        elapsed = max(time.monotonic() - self.start, 1e-9)
        rate = self.done / elapsed
        left = (self.total - self.done) / rate if rate > 0 else float("inf")
        eta = "?" if math.isinf(left) else f"{left:.0f} s"
        text = f"{self.label}: {self.done}/{self.total} parts, {rate:.1f} parts/s, ETA {eta}"
        if self.terminal:
            width = 30
            filled = width * self.done // self.total if self.total else width
            self.stream.write(f"\r{self.label} [{'#' * filled:<{width}}] {text[len(self.label) + 2:]}\x1b[K")
            self.stream.flush()
        elif self.done == self.total or self.done - self.last_printed >= max(1, self.total // 10):
            self.stream.write(text + "\n")
            self.last_printed = self.done

    def finish(self):
        if self.terminal:
            self.stream.write("\n")


def _chunks(count, size):
    return [(start, min(start + size, count)) for start in range(0, count, size)]


def chunk_size_for(parts, threads):
    """Parts per task: about eight tasks per worker thread, so that a slow chunk or a lost worker delays
    little and the scheduler balances the load, and at most 200 parts, so that a re-run chunk costs
    little; at least 1."""
    return max(1, min(200, math.ceil(parts / max(1, threads * 8))))


class Cluster:
    """A Dask client on the scheduler at `address`, or on a LocalCluster of `workers` processes of
    `threads` threads each (started here and stopped on leaving)."""

    def __init__(self, options):
        try:
            from distributed import Client, LocalCluster
        except ImportError as error:
            raise BadInput(f"needs Dask's distributed package (Debian: apt-get install python3-distributed): "
                           f"{error}") from error
        self.cluster = None
        if not options.dashboard:
            # Each worker's statistical profiler samples its threads every 10 ms, for the dashboard's
            # profile page: some 6% of a 2-core machine's time. Without the dashboard nothing shows it.
            # (A LocalCluster's workers take this process's settings; workers started by hand take theirs.)
            import dask

            dask.config.set({"distributed.worker.profile.enabled": False})
        if options.scheduler:
            try:
                self.client = Client(options.scheduler, timeout=options.connect_timeout)
            except (OSError, TimeoutError, ValueError) as error:
                raise BadInput(f"cannot reach the scheduler {options.scheduler} within {options.connect_timeout:g} s "
                               f"(--connect-timeout): {error}") from None
        else:
            # Every process listens on the one host: the scheduler and the nannies (in this process), the
            # workers, and the HTTP servers of the scheduler (the dashboard, with python3-bokeh: at 8787
            # when asked for, else on any free port) and of each worker, which Dask would otherwise open on
            # every interface. Dask's listeners take an IPv6 address in brackets, the HTTP servers without.
            host = (options.host or "127.0.0.1").strip("[]")
            self.cluster = LocalCluster(
                n_workers=options.workers, threads_per_worker=options.threads, processes=True,
                host=f"[{host}]" if ":" in host else host,
                dashboard_address=(host, 8787 if options.dashboard else 0), worker_dashboard_address=(host, 0),
                silence_logs=logging.ERROR)
            self.client = Client(self.cluster)
        if options.dashboard:
            import importlib.util

            note = "" if importlib.util.find_spec("bokeh") else " (shows nothing without python3-bokeh)"
            print(f"{PROGRAM}: dashboard: {self.client.dashboard_link}{note}", file=sys.stderr)

    def threads(self):
        return max(1, sum(self.client.nthreads().values()))

    def close(self):
        self.client.close()
        if self.cluster is not None:
            self.cluster.close()


def run_chunks(cluster, label, count, chunk_size, make_task, retries, on_chunk=None):
    """Runs one task per chunk of `count` items and returns the items' results in order. `make_task(start,
    end)` gives (function, arguments) for a chunk; `on_chunk(start, end, results)`, when given, is called
    as each chunk is done. Progress counts items."""
    from distributed import as_completed

    chunks = _chunks(count, chunk_size)
    futures = {}
    for start, end in chunks:
        function, arguments = make_task(start, end)
        future = cluster.client.submit(function, *arguments, retries=retries, pure=False,
                                       key=f"{label}-{start}-{end}-{os.getpid()}-{time.monotonic_ns()}")
        futures[future] = (start, end)
    results = [None] * count
    progress = Progress(label, count)
    try:
        for future in as_completed(futures):
            start, end = futures[future]
            results[start:end] = future.result()
            if on_chunk is not None:
                on_chunk(start, end, results[start:end])
            progress.advance(end - start)
    finally:
        progress.finish()
    return results


def _load_parts(catalog):
    if not catalog:
        return tcv.samples()
    try:
        return tcv.load_catalog(catalog)
    except (ValueError, FileNotFoundError) as error:
        raise BadInput(str(error)) from error


def prepare_gallery(options):
    parts = _load_parts(options.catalog)
    folder = options.outdir
    try:
        os.makedirs(folder, exist_ok=True)
    except OSError as error:
        raise BadInput(f"cannot make the folder '{folder}': {error.strerror}") from error
    if not os.path.isdir(folder) or not os.access(folder, os.W_OK | os.X_OK):
        raise BadInput(f"cannot write into the folder '{folder}'")
    try:
        tcv.check_viewer_folder(folder)
    except OSError as error:
        raise BadInput(str(error)) from error
    return parts


# The name the exporters give a file while they write it, before renaming it into place: "." + the file's
# name + ".partial-" + twelve random characters (StagedFile in the exports).
_STAGING_NAME = re.compile(r"\.(?P<file>.+)\.partial-[0-9a-z]{12}")


def remove_staging_files(folder, names):
    """Removes from `folder` the unfinished files that workers killed while writing left there: regular
    files named as staging files of a gallery file in `names`, nothing else. Returns how many."""
    names = set(names)
    removed = 0
    try:
        with os.scandir(folder) as entries:
            for entry in entries:
                match = _STAGING_NAME.fullmatch(entry.name)
                if not match or match["file"] not in names or not entry.is_file(follow_symlinks=False):
                    continue
                try:
                    os.unlink(entry.path)
                    removed += 1
                except FileNotFoundError:
                    pass
    except OSError as error:
        print(f"{PROGRAM} gallery: cannot clear unfinished files: {tcv.printable(str(error))}", file=sys.stderr)
    return removed


def run_gallery(options, cluster, parts):
    folder = options.outdir
    stems = tcv.gallery_file_stems([part["name"] for part in parts])
    # Only the parts whose files would change become tasks; the plan holds the folder until it is done.
    try:
        plan = tcv.GalleryPlan(folder, parts, stems, time_limit=options.time_limit,
                               triangle_limit=options.triangle_limit, ifc_geometry=options.ifc_geometry,
                               force=options.force)
        plan.clear_stale()
    except OSError as error:
        raise BadInput(str(error)) from error
    if plan.staging_files_removed():
        print(f"{PROGRAM} gallery: removed {plan.staging_files_removed()} unfinished file(s) of a run cut short",
              file=sys.stderr)
    counts = plan.counts()
    print(f"{PROGRAM} gallery: {counts['text']}", file=sys.stderr)
    changed = plan.changed_parts()
    todo = [parts[i] for i in changed]
    size = options.chunk_size or chunk_size_for(len(todo), cluster.threads())
    # Workers write by the same path: an absolute one, whatever their working folder.
    target = os.path.abspath(folder)

    def record(start, end, chunk):
        # A chunk's parts keep their keys as soon as their files are whole, so that an interrupted run
        # loses only the chunks in progress.
        for offset, (item, errors) in enumerate(chunk):
            plan.record(changed[start + offset], item, not errors)

    try:
        rendered = run_chunks(
            cluster, "gallery", len(todo), size,
            lambda start, end: (gallery_chunk, (todo[start:end], [stems[i] for i in changed[start:end]], target,
                                                options.time_limit, options.triangle_limit, options.ifc_geometry)),
            options.retries, on_chunk=record)
    finally:
        try:
            plan.write_keys()
        except OSError as error:
            print(f"{PROGRAM} gallery: {tcv.printable(str(error))}", file=sys.stderr)
    results = [None] * len(parts)
    for i, result in zip(changed, rendered):
        results[i] = result
    for i in range(len(parts)):
        if results[i] is None:
            results[i] = (plan.kept_item(i), [])

    # Every task is done: a staging file left now belongs to a worker that died writing it.
    removed = remove_staging_files(folder, {name for item, _ in results for name in item["files"].values()})
    if removed:
        print(f"{PROGRAM} gallery: removed {removed} unfinished file(s) of lost workers", file=sys.stderr)
    index_written = True
    try:
        tcv.write_gallery_index(folder, options.catalog or "", [item for item, _ in results])
    except OSError as error:
        print(f"{PROGRAM} gallery: {tcv.printable(str(error))}", file=sys.stderr)
        index_written = False
    has_viewer = tcv.write_viewer(folder)
    failed = 0
    for part, (_, errors) in zip(parts, results):
        if not errors:
            continue
        failed += 1
        print(f"FAILED  {tcv.printable(part['name'])} (PartDataBasis {part['partDataBasis']})")
        for error in errors:
            print(f"        {tcv.printable(error)}")
    print(counts["text"])
    print(f"{len(parts)} part(s): {len(parts) - failed} ok, {failed} failed")
    if index_written:
        print(f"gallery: {os.path.join(folder, 'index.json')}")
    if has_viewer:
        print(f"viewer: checkvalve serve {folder}  (then open the printed address)")
    return EXIT_OK if failed == 0 and index_written else EXIT_FAILED


def prepare_validate(options):
    if options.report and os.path.splitext(options.report)[1].lower() not in (".json", ".xml", ".html", ".htm"):
        raise BadInput("--report: a report ends in .json, .xml or .html")
    return _load_parts(options.catalog)


def run_validate(options, cluster, parts):
    size = options.chunk_size or chunk_size_for(len(parts), cluster.threads())
    outcomes = run_chunks(cluster, "validate", len(parts), size,
                          lambda start, end: (validate_chunk, (parts[start:end], options.record_only)),
                          options.retries)
    # The text is printed before the report is written, as the command line does.
    text, code = tcv.validate_summary(options.catalog or "", outcomes, strict=options.strict, quiet=options.quiet)
    sys.stdout.write(text)
    if options.report:
        try:
            tcv.validate_summary(options.catalog or "", outcomes, strict=options.strict, report=options.report)
        except OSError as error:
            print(f"{PROGRAM} validate: {tcv.printable(str(error))}", file=sys.stderr)
            return EXIT_BAD_INPUT
    return code


def prepare_diff(options):
    try:
        return tcv.diff_changed_parts(options.old, options.new)
    except ValueError as error:
        raise BadInput(str(error)) from error


def run_diff(options, cluster, changed):
    aspects = {"physical": ["Physical"], "insulation": ["Insulation"], "both": ["Physical", "Insulation"]}[
        options.aspect]
    size = options.chunk_size or chunk_size_for(len(changed), cluster.threads())
    reports = dict(run_chunks(cluster, "diff", len(changed), size,
                              lambda start, end: (diff_chunk, (changed[start:end], aspects)), options.retries))
    text, summary, code = tcv.diff_summary(options.old, options.new, reports, json=options.json)
    sys.stdout.write(text)
    print(f"{PROGRAM} diff: {summary}", file=sys.stderr)
    return code


def _positive(text):
    value = int(text)
    if value < 1:
        raise argparse.ArgumentTypeError(f"expected 1 or more, got {value}")
    return value


def parser():
    top = argparse.ArgumentParser(prog=f"python3 -m {PROGRAM}",
                                  description="checkvalve gallery, validate and diff on a Dask cluster.")
    cluster = argparse.ArgumentParser(add_help=False)
    where = cluster.add_argument_group("cluster")
    where.add_argument("--scheduler", metavar="ADDR",
                       help="a running Dask scheduler (tcp://host:8786); else a LocalCluster is started")
    where.add_argument("--workers", type=_positive, default=os.cpu_count() or 1,
                       help="worker processes of the LocalCluster (default: the cores)")
    where.add_argument("--host", metavar="ADDR",
                       help="address the LocalCluster's processes listen on (default 127.0.0.1; anyone reaching "
                            "it can run code on this machine)")
    where.add_argument("--threads", type=_positive, default=1,
                       help="threads (parts at once) per worker of the LocalCluster (default 1)")
    where.add_argument("--chunk-size", type=_positive, metavar="N",
                       help="parts per task (default: from the catalogue's size and the cluster's threads)")
    where.add_argument("--retries", type=int, default=2, help="times a task that raised is run again (default 2)")
    where.add_argument("--connect-timeout", type=float, default=30, help="seconds to reach --scheduler")
    where.add_argument("--dashboard", action="store_true",
                       help="serve Dask's dashboard (LocalCluster: port 8787 of --host; needs python3-bokeh) and "
                            "print its address")
    commands = top.add_subparsers(dest="command", required=True)

    gallery = commands.add_parser("gallery", parents=[cluster], help="render every part as checkvalve gallery")
    gallery.add_argument("outdir", metavar="OUT", help="folder every worker can write into (made when missing)")
    gallery.add_argument("catalog", metavar="CATALOG", nargs="?", default="",
                         help="parts catalogue (the built-in samples when left out)")
    gallery.add_argument("--time-limit", type=float, default=30.0, help="seconds per part (0: none)")
    gallery.add_argument("--triangle-limit", type=int, default=2000000, help="triangles per part (0: none)")
    gallery.add_argument("--ifc-geometry", type=str.lower, choices=("exact", "mesh"), default="exact")
    gallery.add_argument("--force", action="store_true",
                         help="render every part again, also those whose files in OUT are up to date")

    validate = commands.add_parser("validate", parents=[cluster], help="evaluate every part as checkvalve validate")
    validate.add_argument("catalog", metavar="CATALOG", nargs="?", default="")
    validate.add_argument("--report", metavar="R", help="also write R.json, R.xml (JUnit) or R.html")
    validate.add_argument("--strict", action="store_true", help="fail (exit 1) when any part has a warning")
    validate.add_argument("--quiet", "-q", action="store_true", help="print only failed parts, warnings, summary")
    validate.add_argument("--record-only", action="store_true", help="no kernel geometry (fast)")

    diff = commands.add_parser("diff", parents=[cluster], help="compare two catalogues as checkvalve diff")
    diff.add_argument("old", metavar="OLD")
    diff.add_argument("new", metavar="NEW")
    diff.add_argument("--json", action="store_true", help="print the differences as JSON")
    diff.add_argument("--aspect", type=str.lower, choices=("physical", "insulation", "both"), default="both",
                      help="aspects to compare, in any case (default both)")
    return top


def main(argv=None):
    try:
        options = parser().parse_args(argv)
    except SystemExit as exit:
        return EXIT_BAD_INPUT if exit.code else EXIT_OK
    prepare, run = {"gallery": (prepare_gallery, run_gallery), "validate": (prepare_validate, run_validate),
                    "diff": (prepare_diff, run_diff)}[options.command]
    cluster = None
    try:
        if options.scheduler and options.host:
            raise BadInput("--host is for the LocalCluster started without --scheduler")
        # Catalogues and folders are checked before a cluster is started, so that bad input fails at once.
        work = prepare(options)
        cluster = Cluster(options)
        return run(options, cluster, work)
    except (BadInput, ValueError) as error:
        print(f"{PROGRAM} {options.command}: {tcv.printable(str(error))}", file=sys.stderr)
        return EXIT_BAD_INPUT
    except KeyboardInterrupt:
        print(f"{PROGRAM} {options.command}: interrupted; index and reports not written", file=sys.stderr)
        return 130
    finally:
        if cluster is not None:
            cluster.close()


if __name__ == "__main__":
    # Run as `python3 -m`, this file is __main__; the tasks' functions are taken from the package's module
    # of the same code, which the workers import by name.
    from tarncheckvalve.distributed import main as package_main

    sys.exit(package_main())
