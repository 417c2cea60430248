#include "tools/dsrtool_src/report/page_style.h"

namespace dsrtool {

const char* const kPageStyle =
    "body{font:14px/1.4 'DejaVu Sans',Arial,sans-serif;margin:1em 2em;"
    "color:#222}\n"
    "h2{margin-top:1.6em;border-bottom:1px solid #bbb}\n"
    "h4{margin:1.2em 0 .2em}\n"
    "table{border-collapse:collapse;margin:.4em 0 1em}\n"
    "th,td{border:1px solid #ccc;padding:2px 6px;vertical-align:top;"
    "text-align:left}\n"
    "th{background:#f2f2f2}\n"
    "caption{text-align:left;font-weight:600;padding:.2em 0}\n"
    "td.n,.k td{text-align:right;font-variant-numeric:tabular-nums}\n"
    ".x td{white-space:nowrap}\n"
    ".k td,.k th{padding:1px 3px;font-size:11px}.k th{white-space:nowrap}\n"
    ".m{display:block;font:11px monospace;color:#666;font-weight:400;"
    "overflow-wrap:anywhere}\n"
    ".d{display:block;font-size:12px;color:#444;font-weight:400;"
    "min-width:12em}\n"
    "#file td{font-family:monospace;overflow-wrap:anywhere}\n"
    ".sw{display:inline-block;width:14px;height:14px;border:1px solid #555;"
    "vertical-align:middle;margin-right:5px}\n"
    "details{border:1px solid #ccc;border-radius:4px;margin:.4em 0;"
    "padding:.3em .8em}\n"
    "summary{cursor:pointer;font-weight:600}\n"
    "nav ul ul{columns:18em;font-size:13px}\n"
    ".x{overflow-x:auto}\n"
    ".defs{position:absolute;width:0;height:0}\n"
    "svg{display:block;margin:.5em 0}\n"
    "svg text{font-size:12px;fill:#222}\n"
    ".e{text-anchor:end}.c{text-anchor:middle}\n"
    ".fr{fill:none;stroke:#777}.gr{fill:none;stroke:#e2e2e2}"
    ".ax{fill:none;stroke:#aaa}\n"
    ".ln{fill:none;stroke-width:1.5px;vector-effect:non-scaling-stroke}\n"
    ".b{stroke-dasharray:7 4}\n"
    ".dt{fill:none;stroke-width:5px;stroke-linecap:round;"
    "vector-effect:non-scaling-stroke}\n"
    ".sm{fill:none;stroke-width:3px;stroke-linecap:round;"
    "vector-effect:non-scaling-stroke}\n"
    // Comparisons: a value that differs, with A's and B's; a record only A
    // or only B holds; two charts side by side. Their colours are printed
    // too.
    ".chg,.oa,.ob{print-color-adjust:exact;-webkit-print-color-adjust:exact}\n"
    ".chg{background:#ffe59a}\n"
    ".chg .a,.chg .b{display:block}\n"
    ".chg .a::before{content:'A: ';color:#777}"
    ".chg .b::before{content:'B: ';color:#777}\n"
    "tr.oa td,tr.oa th,h4.oa,details.oa{background:#fbe0e0}\n"
    "tr.ob td,tr.ob th,h4.ob,details.ob{background:#dcf2dc}\n"
    ".cd{columns:22em;font-size:13px}.pl{white-space:nowrap}\n"
    ".pair{display:flex;flex-wrap:wrap;gap:0 1.5em}\n"
    ".pair figure{margin:0;flex:1 1 380px;max-width:800px}\n"
    ".pair figcaption{font-weight:600}\n"
    ".pair svg{width:100%;height:auto}\n"
    // On paper: every section open (a page without a script cannot open
    // them, so the content of a closed <details> is shown), no index, the
    // charts fitted to the page's width and never cut by a page break.
    "@media print{\n"
    "body{margin:0;font-size:11px}\n"
    "#index{display:none}\n"
    "details{border:0;padding:0;margin:0}\n"
    "details::details-content{content-visibility:visible;display:block}\n"
    "summary{list-style:none;font-size:1.2em;margin:1.2em 0 .4em;"
    "break-after:avoid}\n"
    "h2,h4,caption{break-after:avoid}\n"
    "svg{break-inside:avoid;max-width:100%;height:auto}\n"
    // A table wider than the page would be cut at its edge: cells wrap,
    // and the wider a table, the smaller it is set.
    ".x{overflow:visible}.x td{white-space:normal}\n"
    ".w1{zoom:.85}.w2{zoom:.7}.w3{zoom:.55}.k td,.k th{font-size:9px}\n"
    "}\n";

}  // namespace dsrtool
