#!/bin/bash
# Makes the README's picture of dsrtool's report, docs/dsrtool-report.png,
# from the example series: the page's heading with the file's facts, the
# third separation's output curves in its inks' colours, and the first
# medium's permission sets with the calibration of the first, as headless
# Chromium shows them.
#
# usage: scripts/report_picture.sh [DSRTOOL [PICTURE]]
# (defaults: build/tools/dsrtool, docs/dsrtool-report.png in the source
# tree). Needs chromium and python3 with PIL (Debian: python3-pil).
#
# The page is dated with the example's last commit (SOURCE_DATE_EPOCH), so
# that the picture changes only when the page does.
set -euo pipefail

root="$(cd -- "$(dirname -- "$0")/.." && pwd -P)"
dsrtool="${1:-$root/build/tools/dsrtool}"
picture="${2:-$root/docs/dsrtool-report.png}"
example="$root/examples/studio-series.dsr"
# Debian's python3, which python3-pil serves, where another comes first.
python=python3
[[ -x /usr/bin/python3 ]] && python=/usr/bin/python3
for tool in chromium "$python"; do
  command -v "$tool" >/dev/null || {
    echo "report_picture.sh: $tool is not installed" >&2
    exit 1
  }
done

work="$(mktemp -d)"
trap 'rm -rf -- "$work"' EXIT

# The page names the example as the README's walk-through does.
epoch="$(git -C "$root" log -1 --format=%ct -- examples/studio-series.dsr \
  2>/dev/null || true)"
(cd -- "$root" && SOURCE_DATE_EPOCH="${epoch:-0}" \
  "$dsrtool" report examples/studio-series.dsr -o "$work/report.html")

# The parts shown: everything else is hidden, the two sections opened, and
# of the medium its tables of permission sets and quality levels and its
# first permission set's calibration.
"$python" - "$work/report.html" "$work/picture.html" <<'EOF'
import sys
page = open(sys.argv[1], encoding="utf-8").read()
style = (
    "<style>body>*:not(.defs){display:none}"
    "body>h1:not(.defs),body>#file,body>#aSeparationInfoList,body>#s2,"
    "body>#calibration,body>#m0{display:block}"
    "#m0>table,#m0-1,#m0-1~*{display:none}</style>")
page = page.replace("</head>", style + "</head>", 1)
for section in ("s2", "m0"):
    page = page.replace(f'<details id="{section}"',
                        f'<details open="" id="{section}"', 1)
open(sys.argv[2], "w", encoding="utf-8").write(page)
EOF

chromium --headless --no-sandbox --disable-gpu \
  --user-data-dir="$work/profile" --hide-scrollbars \
  --force-device-scale-factor=1 --window-size=1120,4000 \
  --screenshot="$work/picture.png" "file://$work/picture.html" 2>/dev/null

# The window is taller than the parts: cut the blank rows below them.
"$python" - "$work/picture.png" "$picture" <<'EOF'
import sys
from PIL import Image, ImageChops
image = Image.open(sys.argv[1]).convert("RGB")
blank = Image.new("RGB", image.size, (255, 255, 255))
box = ImageChops.difference(image, blank).getbbox()
if box is None:
    sys.exit("report_picture.sh: the screenshot is blank")
image = image.crop((0, 0, image.width, min(image.height, box[3] + 16)))
image.save(sys.argv[2], optimize=True)
print(f"{sys.argv[2]}: {image.width} x {image.height}")
EOF
