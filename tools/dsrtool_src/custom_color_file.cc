#include "tools/dsrtool_src/custom_color_file.h"

#include "xmlio/record_codec.h"
#include "xmlio/record_files.h"

namespace dsrtool {

DomDocumentPtr CreateCustomColorInfoDocument(const CustomColorInfo& info) {
  return CreateRecordDocument([&](DomDocument& document) {
    return WriteCustomColorInfo(document, info);
  });
}

bool SaveCustomColorInfoFile(const std::string& path,
                             const CustomColorInfo& info) {
  return SaveRecordFile(path,
                        [&] { return CreateCustomColorInfoDocument(info); });
}

bool LoadCustomColorInfoFile(const std::string& path, CustomColorInfo& info) {
  bool found = false;
  bool read = false;
  bool loaded = LoadRecordFile(path, [&](DomNode document) {
    found = ReadFirstNamedChild(document, "CustomColorInfo", [&](DomNode root) {
      read = ReadCustomColorInfo(root, info);
    });
  });
  return loaded && found && read;
}

}  // namespace dsrtool
