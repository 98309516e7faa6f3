#!/usr/bin/env python3
"""Every relative link of the README and of docs/*.md points at a file of the
tree, and a link with a #fragment at a heading of that file (GitHub's
heading anchors: lower case, punctuation dropped, blanks as hyphens).
usage: check_links.py SOURCE_DIR"""
import pathlib
import re
import sys

LINK = re.compile(r"!?\[[^\]]*\]\(([^)\s]+)\)")
FENCE = re.compile(r"^\s*(```|    )")


def anchors(path):
    found = set()
    for line in path.read_text(encoding="utf-8").splitlines():
        m = re.match(r"^#{1,6}\s+(.*)$", line)
        if m:
            slug = re.sub(r"[^\w\- ]", "", m.group(1).strip().lower()).replace(" ", "-")
            found.add(slug)
    return found


def links(path):
    for number, line in enumerate(path.read_text(encoding="utf-8").splitlines(), 1):
        if FENCE.match(line):
            continue
        for target in LINK.findall(line):
            yield number, target


def main():
    root = pathlib.Path(sys.argv[1]).resolve()
    pages = [root / "README.md"] + sorted((root / "docs").glob("*.md"))
    problems = []
    checked = 0
    for page in pages:
        for number, target in links(page):
            if re.match(r"^[a-z][a-z0-9+.-]*:", target):
                continue  # an absolute address: not this tree's business
            file_part, _, fragment = target.partition("#")
            dest = (page.parent / file_part).resolve() if file_part else page
            checked += 1
            where = f"{page.relative_to(root)}:{number}: {target}"
            if not dest.exists():
                problems.append(f"{where}: no such file")
            elif fragment and dest.suffix == ".md" and fragment not in anchors(dest):
                problems.append(f"{where}: no heading #{fragment}")
    for problem in problems:
        print(problem)
    if checked == 0:
        print("no relative links found: is the source folder right?")
        return 1
    print(f"{checked} links checked, {len(problems)} broken")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
