#include "tools/dsrtool_src/custom_color_file.h"

#include "devseries/xmlio/record_files.h"

namespace dsrtool {

using namespace ::devseries;

DomDocumentPtr CreateCustomColorInfoDocument(const CustomColorInfo& info) {
  return CreateRecordDocument([&](DomDocument& document) {
    return WriteCustomColorInfo(document, info);
  });
}

}  // namespace dsrtool
