// The ink-configuration record: a named assignment of inks to the 24 slots,
// its "InkConfigInfo" element and its standalone file.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "devseries/xmlio/common_io.h"
#include "devseries/xmlio/dom_types.h"
#include "devseries/xmlio/element_output.h"
#include "devseries/xmlio/language_string_set.h"

#pragma GCC visibility push(default)
namespace devseries {

struct InkConfigInfo {
  std::int32_t nInkConfigIndex = 0;
  LanguageStringSet strInkConfigName;
  std::string strFolderName;
  // The ink (InkInfo::nInkIndex) of each slot.
  std::array<std::int32_t, 24> nInkIndexList{};

  bool operator==(const InkConfigInfo&) const;
  bool operator!=(const InkConfigInfo& other) const {
    return !(*this == other);
  }
};

// Integer codes raised by InkConfigInfoIO (thrown as plain ints).
// CreateInkConfigInfoDocument: the step that failed.
inline constexpr int kInkConfigCreateDocumentFailed = 5;
inline constexpr int kInkConfigInsertDeclarationFailed = 4;
inline constexpr int kInkConfigBuildRootFailed = 3;
inline constexpr int kInkConfigAppendRootFailed = 2;
// ReadFirstInkConfigInfo: the document holds no "InkConfigInfo" element.
inline constexpr int kInkConfigNotFound = 2;

// Element and standalone-file operations of the ink-configuration record.
// DOM failures raise _com_error; a missing positional child raises
// _com_error(E_POINTER).
class InkConfigInfoIO {
 public:
  // Fills `record` from an "InkConfigInfo" element by position only: the
  // first four child nodes, whatever their names, give nInkConfigIndex,
  // strInkConfigName, strFolderName and the list node, whose first 24 child
  // nodes give the slots. Later nodes are ignored.
  void ReadInkConfigInfo(DomNode element, InkConfigInfo& record);
  // A new, unattached "InkConfigInfo" element; the list holds 24 children
  // all named "nInkIndex".
  DomNode WriteInkConfigInfo(DomDocument& document,
                             const InkConfigInfo& record);
  // The same element, made where `out` stands.
  void WriteInkConfigInfo(DomElementBuilder& out, const InkConfigInfo& record);
  void WriteInkConfigInfo(XmlStreamWriter& out, const InkConfigInfo& record);
  // Reads the first "InkConfigInfo" element anywhere in `document`, in
  // document order. Raises the int kInkConfigNotFound when there is none and
  // _com_error(E_POINTER) when `document` is null.
  void ReadFirstInkConfigInfo(const DomDocument* document,
                              InkConfigInfo& record);
  // A document holding the declaration instruction and the record's element
  // as root. Never null: a failing step releases the document and raises
  // the int code of that step (kInkConfigCreateDocumentFailed and so on).
  DomDocumentPtr CreateInkConfigInfoDocument(const InkConfigInfo& record);
  // Writes a standalone file. False when the component runtime cannot start
  // or anything fails while building or saving (the previous file at `path`
  // is then left as it was); never throws. The DOM service is not checked
  // beforehand. A null `path` gives false.
  bool SaveInkConfigInfoFile(const char* path, const InkConfigInfo& record);
  // As above; `report` (when not null) is reset and then tells why the file
  // was not written (RecordWriteFailure: "cannot write PATH: REASON").
  bool SaveInkConfigInfoFile(const char* path, const InkConfigInfo& record,
                             ReadReport* report);
  // Reads the first "InkConfigInfo" element of the file at `path`. False
  // when an error ends the load itself (a null `path`, say); errors while
  // reading reach the caller: a file that cannot be loaded raises
  // _com_error(E_POINTER), a file without the element the int
  // kInkConfigNotFound.
  bool LoadInkConfigInfoFile(const char* path, InkConfigInfo& record);
  // As above; `report` (when not null) is reset and then tells why the file
  // was not read and where, before an error passes to the caller.
  bool LoadInkConfigInfoFile(const char* path, InkConfigInfo& record,
                             ReadReport* report);
};

namespace ink_config_internal {

// Builds a standalone document step by step, raising each step's code: the
// document and its declaration instruction, inserting the instruction,
// building the root with `buildRoot`, appending the root. The document is
// released whenever a step fails. Kept here so tests can make the root steps
// fail.
template <typename BuildRoot>
DomDocumentPtr CreateCodedRecordDocument(BuildRoot&& buildRoot) {
  DomDocumentPtr document;
  DomNode declaration;
  try {
    document = std::make_shared<DomDocument>();
    declaration =
        document->CreateProcessingInstruction("xml", kXmlDeclarationData);
  } catch (...) {
    throw int{kInkConfigCreateDocumentFailed};
  }
  try {
    document->InsertBefore(declaration, DomNode());
  } catch (...) {
    throw int{kInkConfigInsertDeclarationFailed};
  }
  DomNode root;
  try {
    root = buildRoot(*document);
  } catch (...) {
    throw int{kInkConfigBuildRootFailed};
  }
  try {
    document->AppendChild(root);
  } catch (...) {
    throw int{kInkConfigAppendRootFailed};
  }
  return document;
}

}  // namespace ink_config_internal

}  // namespace devseries
#pragma GCC visibility pop
