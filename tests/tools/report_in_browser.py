#!/usr/bin/python3
"""Renders dsrtool's report of a device series in headless Chromium and
checks that its charts are drawn.

Usage: report_in_browser.py DSRTOOL SERIES.dsr [KEEP_DIR]

Writes the report of SERIES.dsr into a temporary folder, then renders three
views of it, each showing one part of the page with its section open: the
first separation's output curves, the first medium's calibration charts
and the VControl chart. In each screenshot it counts the pixels of exactly
the stroke colours of the chart's first two lines, as the page gives them
(anti-aliased edges aside, a drawn line or dot has pixels of exactly its
colour) and checks that they are many and spread over the chart's area,
not just a legend entry.
With KEEP_DIR the screenshots are copied there.

Exit codes: 0 the charts are drawn; 1 they are not, or a step failed;
77 Chromium is not installed (the check is skipped).
"""

import os
import re
import shutil
import subprocess
import sys
import tempfile

# Each view: what the page shows, the section opened, the chart whose first
# two lines' stroke colours are looked for (the first chart after `chart`,
# its paths of class `kind`), and how many pixels of each colour, spread
# over how wide and tall a box, make a drawn chart.
VIEWS = [
    {
        "name": "separation",
        "shown": ["#s0"],
        "open": "s0",
        "chart": 'id="s0"',
        "kind": "sm",
        "pixels": 400,
        "width": 300,
        "height": 300,
    },
    {
        "name": "calibration",
        "shown": ["#m0"],
        "open": "m0",
        "chart": 'id="m0-0"',
        "kind": "ln",
        "pixels": 100,
        "width": 500,
        "height": 100,
    },
    {
        "name": "vcontrol",
        "shown": ["#aVControlPointList", "#aVControlPointList~*"],
        "open": None,
        "chart": 'id="aVControlPointList"',
        "kind": "ln",
        "pixels": 40,
        "width": 500,
        "height": 60,
    },
]

WINDOW = (1200, 2400)


class CheckFailed(Exception):
    pass


def run(command, what, timeout=120):
    try:
        result = subprocess.run(command, stdout=subprocess.PIPE,
                                stderr=subprocess.PIPE, timeout=timeout)
    except subprocess.TimeoutExpired:
        raise CheckFailed(f"{what}: no result after {timeout} s")
    if result.returncode != 0:
        raise CheckFailed(f"{what}: exit code {result.returncode}: "
                          f"{result.stderr.decode(errors='replace').strip()}")
    return result


def view_of(page, view):
    """The page showing only the view's part, its section open."""
    shown = ",".join(f"body>{selector}" for selector in view["shown"])
    style = ("<style>body>*:not(.defs){display:none}"
             f"{shown}{{display:block}}</style>")
    if "</head>" not in page:
        raise CheckFailed("the page has no </head>")
    page = page.replace("</head>", style + "</head>", 1)
    if view["open"] is not None:
        start = f'<details id="{view["open"]}"'
        if start not in page:
            raise CheckFailed(f"the page has no section {view['open']}")
        page = page.replace(start, f'<details open="" id="{view["open"]}"', 1)
    return page


def chart_colours(page, view):
    """The stroke colours of the first two lines of the view's chart."""
    at = page.find("<svg ", page.find(view["chart"]))
    end = page.find("</svg>", at)
    found = re.findall(r'<path class="%s" stroke="#([0-9a-f]{6})"' %
                       view["kind"], page[at:end])
    colours = []
    for text in found:
        colour = tuple(int(text[i:i + 2], 16) for i in (0, 2, 4))
        if colour not in colours:
            colours.append(colour)
    if at < 0 or len(colours) < 2:
        raise CheckFailed(f"{view['name']}: no chart with two line colours")
    return colours[:2]


def colour_box(image, colour):
    """The number of pixels of exactly `colour` and their bounding box."""
    width, height = image.size
    data = image.getdata()
    count = 0
    left, top, right, bottom = width, height, -1, -1
    for index, pixel in enumerate(data):
        if pixel[:3] == colour:
            count += 1
            x, y = index % width, index // width
            left, right = min(left, x), max(right, x)
            top, bottom = min(top, y), max(bottom, y)
    return count, (right - left + 1, bottom - top + 1) if count else (0, 0)


def render(chromium, html, png, profile):
    run([chromium, "--headless", "--no-sandbox", "--disable-gpu",
         f"--user-data-dir={profile}", "--hide-scrollbars",
         "--force-device-scale-factor=1",
         f"--window-size={WINDOW[0]},{WINDOW[1]}", f"--screenshot={png}",
         "file://" + os.path.abspath(html)], "chromium")
    if not os.path.exists(png):
        raise CheckFailed(f"chromium wrote no screenshot {png}")


def check(dsrtool, series, keep):
    chromium = shutil.which("chromium")
    if chromium is None:
        print("SKIPPED: chromium is not installed")
        return 77
    try:
        from PIL import Image
    except ImportError:
        raise CheckFailed("Python's PIL (Debian: python3-pil) is missing")

    with tempfile.TemporaryDirectory(prefix="report_in_browser.") as folder:
        report = os.path.join(folder, "report.html")
        run([dsrtool, "report", series, "-o", report], "dsrtool report")
        with open(report, encoding="utf-8") as file:
            page = file.read()
        failures = []
        for view in VIEWS:
            html = os.path.join(folder, view["name"] + ".html")
            png = os.path.join(folder, view["name"] + ".png")
            with open(html, "w", encoding="utf-8") as file:
                file.write(view_of(page, view))
            render(chromium, html, png, os.path.join(folder, "profile"))
            if keep:
                shutil.copy(png, keep)
            image = Image.open(png).convert("RGB")
            for colour in chart_colours(page, view):
                count, (width, height) = colour_box(image, colour)
                hex_colour = "#%02x%02x%02x" % colour
                print(f"{view['name']}: {count} pixels of {hex_colour} "
                      f"in a box of {width} x {height}")
                if (count < view["pixels"] or width < view["width"] or
                        height < view["height"]):
                    failures.append(
                        f"{view['name']} chart: {count} pixels of "
                        f"{hex_colour} in a box of {width} x {height}; a "
                        f"drawn chart has at least {view['pixels']} in "
                        f"{view['width']} x {view['height']}")
        if failures:
            raise CheckFailed("; ".join(failures))
    return 0


def main(argv):
    if len(argv) not in (3, 4):
        print(__doc__.strip().splitlines()[2], file=sys.stderr)
        return 1
    try:
        return check(argv[1], argv[2], argv[3] if len(argv) == 4 else None)
    except CheckFailed as failure:
        print(f"FAILED: {failure}", file=sys.stderr)
        return 1


if __name__ == "__main__":
    sys.exit(main(sys.argv))
