#include "devseries/color/custom_color_info.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string_view>

#include "devseries/color/custom_color_info_model_internal.h"
#include "devseries/xmlio/read_session.h"
#include "devseries/xmlio/record_files.h"

namespace devseries {

DomNode WriteCustomColorInfo(DomDocument& doc, const CustomColorInfo& info) {
  return BuildElement(doc, [&](DomElementBuilder& out) {
    field_model::WriteRecord(out, info);
  });
}

bool ReadCustomColorInfo(DomNode element, CustomColorInfo& info) {
  // Positional: the text children's names are not checked.
  try {
    field_model::ReadRecord(element, info);
  } catch (const field_model::NotAStoredColor&) {
    return false;
  }
  return true;
}

bool LoadCustomColorInfoFile(const std::string& path, CustomColorInfo& info,
                             ReadReport* report) {
  bool found = false;
  bool read = false;
  try {
    const bool loaded = LoadRecordFile(
        path,
        [&](DomNode document) {
          const DomNode root = document.FirstChildNamed("CustomColorInfo");
          found = static_cast<bool>(root);
          if (found) {
            read = ReadCustomColorInfo(root, info);
            ReadSession* session = ReadSession::Of(root);
            if (!read && session != nullptr) {
              const DomNode color = root.GetFirstChild().GetNextSibling();
              session->Fail(ReadFailure::kNotReadable, color,
                            "expected a CMYKColor or CMYKOGColor element, "
                            "found " +
                                DescribeNode(color));
            }
          }
          ReadSession* session = ReadSession::Of(document);
          if (!found && session != nullptr) {
            session->Fail(ReadFailure::kNotReadable, DomNode(),
                          "no CustomColorInfo element");
          }
        },
        report);
    return loaded && found && read;
  } catch (...) {
    // The report (when asked for) already says why.
    return false;
  }
}

}  // namespace devseries
