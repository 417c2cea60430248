// The style sheet of the report's pages.
#pragma once

namespace dsrtool {

// The page's style sheet, for the screen and for print. Chart lines take
// their colour from their own stroke attribute and keep their width in
// charts drawn in scaled coordinates (vector-effect). It goes through the
// writer's text escaping, which a browser does not undo inside <style>: no
// '&', '<', '>' or '"' in it.
extern const char* const kPageStyle;

}  // namespace dsrtool
