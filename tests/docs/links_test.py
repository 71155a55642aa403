#!/usr/bin/env python3
"""Checks that every relative link of the documentation leads somewhere.

    python3 tests/docs/links_test.py [REPO]

Reads README.md, docs/*.md and the README.md of each top-level folder. Every link and image that is not
an http(s) or mailto address must name a file or folder that exists, relative to the page; a #fragment
must match a heading of the target page (or of the page itself) as GitHub makes heading anchors:
lower-case, spaces turned into '-', punctuation other than '-' and '_' dropped, and a repeated heading
numbered -1, -2, ... Links in code (fenced or indented blocks, `spans`) are not links. External
addresses are not fetched. Exits 1 listing every broken link, else 0.
"""

import re
import sys
import unicodedata
from pathlib import Path

EXTERNAL = re.compile(r"^(?:[a-zA-Z][a-zA-Z0-9+.-]*:|//)")
INLINE_LINK = re.compile(r"!?\[(?:[^\[\]]|\[[^\[\]]*\])*\]\(\s*(<[^>]*>|[^\s()]*(?:\([^\s()]*\)[^\s()]*)*)(?:\s+\"[^\"]*\"|\s+'[^']*')?\s*\)")
REFERENCE_DEFINITION = re.compile(r"^ {0,3}\[[^\]]+\]:\s*(\S+)")
HEADING = re.compile(r"^ {0,3}(#{1,6})\s+(.*?)\s*#*\s*$")
HTML_ANCHOR = re.compile(r"<a\s[^>]*\b(?:name|id)\s*=\s*[\"']([^\"']+)[\"']", re.IGNORECASE)
FENCE = re.compile(r"^ {0,3}(`{3,}|~{3,})")
CODE_SPAN = re.compile(r"(`+)(.+?)\1")


def prose_lines(text):
    """(line number, line) of every line outside fenced and indented code blocks."""
    fence = None
    previous_blank = True
    in_indented_code = False
    for number, line in enumerate(text.splitlines(), start=1):
        opened = FENCE.match(line)
        if fence:
            if opened and opened.group(1)[0] == fence[0] and len(opened.group(1)) >= len(fence):
                fence = None
            previous_blank = False
            continue
        if opened:
            fence = opened.group(1)
            continue
        blank = not line.strip()
        indented = line.startswith("    ") or line.startswith("\t")
        if indented and not blank and (previous_blank or in_indented_code):
            in_indented_code = True
        elif not blank:
            in_indented_code = False
        previous_blank = blank
        if in_indented_code or blank:
            continue
        yield number, line


def slug(heading):
    """The anchor GitHub gives a heading's text."""
    text = re.sub(r"!?\[([^\]]*)\]\([^)]*\)", r"\1", heading)  # a link counts by its text
    text = re.sub(r"<[^>]+>", "", text)  # inline HTML tags
    text = unicodedata.normalize("NFC", text).lower()
    kept = []
    for char in text:
        if char in "-_" or char == " ":
            kept.append(char)
        elif unicodedata.category(char)[0] in "LNM":  # letters, digits, combining marks
            kept.append(char)
    return "".join(kept).replace(" ", "-")


def anchors(path, cache={}):
    if path not in cache:
        found = set()
        counts = {}
        for _, line in prose_lines(path.read_text(encoding="utf-8")):
            found.update(HTML_ANCHOR.findall(line))
            heading = HEADING.match(line)
            if not heading:
                continue
            base = slug(heading.group(2))
            count = counts.get(base, 0)
            counts[base] = count + 1
            found.add(base if count == 0 else f"{base}-{count}")
        cache[path] = found
    return cache[path]


def links(path):
    """(line number, target) of every link and image of a page."""
    for number, line in prose_lines(path.read_text(encoding="utf-8")):
        definition = REFERENCE_DEFINITION.match(line)
        if definition:
            yield number, definition.group(1)
            continue
        line = CODE_SPAN.sub("", line)
        for match in INLINE_LINK.finditer(line):
            yield number, match.group(1).strip("<>")


def problem(page, target, repo):
    """Why a link of `page` to `target` leads nowhere, or None."""
    if not target:
        return "empty link"
    if EXTERNAL.match(target):
        return None
    location, _, fragment = target.partition("#")
    location = location.split("?", 1)[0]
    destination = (page.parent / location).resolve() if location else page
    try:
        destination.relative_to(repo)
    except ValueError:
        return "leads outside the repository"
    if not destination.exists():
        return f"no such file: {destination.relative_to(repo)}"
    if not fragment:
        return None
    if destination.is_dir() or destination.suffix.lower() != ".md":
        return f"#{fragment} in a file that is not a Markdown page"
    if fragment not in anchors(destination):
        return f"no heading #{fragment} in {destination.relative_to(repo)}"
    return None


def pages(repo):
    found = [repo / "README.md"]
    found += sorted((repo / "docs").glob("*.md"))
    found += sorted(p for p in repo.glob("*/README.md") if p.parent.name not in ("docs", "build", "node_modules"))
    return [p for p in found if p.is_file()]


def main():
    repo = Path(sys.argv[1] if len(sys.argv) > 1 else Path(__file__).resolve().parents[2]).resolve()
    checked = 0
    broken = []
    for page in pages(repo):
        for number, target in links(page):
            checked += 1
            why = problem(page, target, repo)
            if why:
                broken.append(f"{page.relative_to(repo)}:{number}: ({target}) {why}")
    for line in broken:
        print(line)
    print(f"docs-links: {checked} link(s) in {len(pages(repo))} page(s), {len(broken)} broken")
    return 1 if broken else 0


if __name__ == "__main__":
    sys.exit(main())
