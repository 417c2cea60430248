#!/usr/bin/python3
"""Renders dsrtool's report of a device series in headless Chromium, on the
screen and printed, and checks that its charts are drawn in the colours the
page gives their lines (each separation channel's ink colour).

Usage: report_in_browser.py DSRTOOL SERIES.dsr [KEEP_DIR]

Writes the report of SERIES.dsr into a temporary folder.

On the screen: renders three views of it, each showing one part of the page
with its section open: the first separation's output curves, the first
medium's calibration charts and the VControl chart. In each screenshot it
counts the pixels of the stroke colours of the chart's first two lines, as
the page gives them (a separation's: its inks' display colours, as the
table of inks gives them), and checks that they are many and spread over
the chart's area, not just a legend entry.

Printed: Chromium prints the page as it is to PDF, and pdftoppm renders the
PDF's pages at 50 dpi. Printed, every section shows (on the screen they are
closed) and no chart is cut by a page break: the PDF must have more than
MIN_PAGES pages, and every line colour of the page's charts, those of the
separations and media closed on the screen among them, must be found on
its pages.

A pixel counts as a colour's when it is that colour laid over the white
page, at least half of it (anti-aliased edges blend a line with the page),
within a few levels. Black and greys are left out: text has them too.
With KEEP_DIR the screenshots, the PDF and its pages are copied there.

Exit codes: 0 the charts are drawn; 1 they are not, or a step failed;
77 Chromium or pdftoppm (poppler-utils) is not installed (the check is
skipped).
"""

import collections
import glob
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

# Printed: more pages than this, and at 50 dpi at least this many pixels of
# each line colour for each chart that has lines of that colour (a printed
# chart gives a hundred or more; with the sections closed, as on the
# screen, the example gives ten or less).
MIN_PAGES = 3
PDF_DPI = 50
PDF_PIXELS_PER_CHART = 60

# How far (in levels of 255) a pixel may be from the blend of a colour with
# the page; colours whose channels differ by less than GREY are greys.
TOLERANCE = 14
GREY = 24


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


def rgb(text):
    return tuple(int(text[i:i + 2], 16) for i in (0, 2, 4))


def chart_colours(page, view):
    """The stroke colours of the first two lines of the view's chart."""
    at = page.find("<svg ", page.find(view["chart"]))
    end = page.find("</svg>", at)
    found = re.findall(r'<path class="%s" stroke="#([0-9a-f]{6})"' %
                       view["kind"], page[at:end])
    colours = []
    for text in found:
        if rgb(text) not in colours:
            colours.append(rgb(text))
    if at < 0 or len(colours) < 2:
        raise CheckFailed(f"{view['name']}: no chart with two line colours")
    return colours[:2]


def ink_colours(page):
    """The display colours of the inks, as the page's table of inks shows
    them."""
    at = page.find('id="aInkInfoList"')
    end = page.find("</table>", at)
    return set(rgb(text) for text in re.findall(
        r'<span class="sw" style="background:#([0-9a-f]{6})">',
        page[at:end]))


def line_colours(page):
    """Every colour the page's charts stroke a line or mark with, but
    greys, with the number of charts that have lines of it."""
    charts = collections.Counter()
    for chart in re.findall(r"<svg .*?</svg>", page, re.S):
        found = re.findall(r'<path class="[a-z ]+" stroke="#([0-9a-f]{6})"',
                           chart)
        for colour in set(rgb(text) for text in found):
            if max(colour) - min(colour) >= GREY:
                charts[colour] += 1
    return sorted(charts.items())


def is_blend(pixel, colour):
    """Whether `pixel` is `colour` over the white page, at least half of
    it, within TOLERANCE."""
    spans = [255 - c for c in colour]
    k = max(range(3), key=lambda i: spans[i])
    if spans[k] == 0:
        return False
    share = (255 - pixel[k]) / spans[k]
    if share < 0.5 or share > 1.05:
        return False
    return all(abs(share * c + (1 - share) * 255 - p) <= TOLERANCE
               for p, c in zip(pixel[:3], colour))


def matching(image, colour):
    """The pixel values of `image` that count as `colour`'s, and how many
    pixels have each."""
    counts = collections.Counter(image.getdata())
    return {pixel: n for pixel, n in counts.items() if is_blend(pixel, colour)}


def colour_box(image, colour):
    """The number of pixels of `colour` and their bounding box."""
    found = matching(image, colour)
    width, height = image.size
    count = 0
    left, top, right, bottom = width, height, -1, -1
    for index, pixel in enumerate(image.getdata()):
        if pixel in found:
            count += 1
            x, y = index % width, index // width
            left, right = min(left, x), max(right, x)
            top, bottom = min(top, y), max(bottom, y)
    return count, (right - left + 1, bottom - top + 1) if count else (0, 0)


def chromium_run(chromium, profile, *arguments):
    return [chromium, "--headless", "--no-sandbox", "--disable-gpu",
            f"--user-data-dir={profile}", *arguments]


def render(chromium, html, png, profile):
    run(chromium_run(chromium, profile, "--hide-scrollbars",
                     "--force-device-scale-factor=1",
                     f"--window-size={WINDOW[0]},{WINDOW[1]}",
                     f"--screenshot={png}", "file://" + os.path.abspath(html)),
        "chromium")
    if not os.path.exists(png):
        raise CheckFailed(f"chromium wrote no screenshot {png}")


def check_screen(chromium, page, folder, keep, Image):
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
        colours = chart_colours(page, view)
        # A separation's channels are drawn in their inks' colours.
        if view["kind"] == "sm" and not set(colours) <= ink_colours(page):
            failures.append(f"{view['name']}: the lines' colours are not "
                            "the inks' display colours")
        for colour in colours:
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
    return failures


def check_print(chromium, pdftoppm, report, page, folder, keep, Image):
    pdf = os.path.join(folder, "report.pdf")
    run(chromium_run(chromium, os.path.join(folder, "profile"),
                     "--no-pdf-header-footer", f"--print-to-pdf={pdf}",
                     "file://" + os.path.abspath(report)),
        "chromium --print-to-pdf")
    if not os.path.exists(pdf):
        raise CheckFailed(f"chromium wrote no PDF {pdf}")
    run([pdftoppm, "-png", "-r", str(PDF_DPI), pdf,
         os.path.join(folder, "printed")], "pdftoppm")
    pages = sorted(glob.glob(os.path.join(folder, "printed*.png")))
    if keep:
        for path in [pdf] + pages:
            shutil.copy(path, keep)
    print(f"printed: {len(pages)} pages")
    failures = []
    if len(pages) <= MIN_PAGES:
        failures.append(f"the printed page has {len(pages)} pages; with "
                        f"every section shown it has more than {MIN_PAGES}")
    images = [Image.open(path).convert("RGB") for path in pages]
    colours = line_colours(page)
    if not colours:
        failures.append("the page's charts have no line colours")
    for colour, charts in colours:
        found = [sum(matching(image, colour).values()) for image in images]
        hex_colour = "#%02x%02x%02x" % colour
        on = sum(1 for count in found if count > 0)
        print(f"printed: {sum(found)} pixels of {hex_colour} on {on} pages "
              f"(lines in {charts} charts)")
        if sum(found) < PDF_PIXELS_PER_CHART * charts:
            failures.append(
                f"printed: {sum(found)} pixels of {hex_colour}; the lines of "
                f"{charts} charts have at least "
                f"{PDF_PIXELS_PER_CHART * charts}")
    return failures


def check(dsrtool, series, keep):
    chromium = shutil.which("chromium")
    pdftoppm = shutil.which("pdftoppm")
    if chromium is None or pdftoppm is None:
        print("SKIPPED: " + ("chromium" if chromium is None else "pdftoppm") +
              " is not installed")
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
        failures = check_screen(chromium, page, folder, keep, Image)
        failures += check_print(chromium, pdftoppm, report, page, folder, keep,
                                Image)
        if failures:
            raise CheckFailed("; ".join(failures))
    return 0


def main(argv):
    if len(argv) not in (3, 4):
        print(__doc__.strip().splitlines()[4], file=sys.stderr)
        return 1
    try:
        return check(argv[1], argv[2], argv[3] if len(argv) == 4 else None)
    except CheckFailed as failure:
        print(f"FAILED: {failure}", file=sys.stderr)
        return 1


if __name__ == "__main__":
    sys.exit(main(sys.argv))
