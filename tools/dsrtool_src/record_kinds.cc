#include "tools/dsrtool_src/record_kinds.h"

#include <utility>

#include "tools/dsrtool_src/document_fields.h"

namespace dsrtool {

namespace {

template <size_t... I>
std::optional<AnyRecord> NewRecord(std::string_view root,
                                   std::index_sequence<I...>) {
  std::optional<AnyRecord> record;
  ((root == kRootNames[I] ? (void)record.emplace(std::in_place_index<I>)
                          : void()),
   ...);
  return record;
}

}  // namespace

std::optional<AnyRecord> NewRecordForRoot(std::string_view root) {
  return NewRecord(root,
                   std::make_index_sequence<std::variant_size_v<AnyRecord>>());
}

std::string_view RootName(const AnyRecord& record) {
  return kRootNames[record.index()];
}

std::string RootNameList() {
  std::string list;
  for (std::string_view name : kRootNames) {
    if (!list.empty()) list += ", ";
    list += name;
  }
  return list;
}

Json RecordToJson(const AnyRecord& record) {
  Json document = Json::object();
  document[std::string(RootName(record))] =
      std::visit([](const auto& value) { return ToJson(value); }, record);
  return document;
}

AnyRecord RecordFromJson(const Json& document) {
  if (!document.is_object() || document.size() != 1) {
    throw JsonError("the document",
                    "expected an object with one key naming the record kind (" +
                        RootNameList() + ")");
  }
  const std::string& root = document.begin().key();
  std::optional<AnyRecord> record = NewRecordForRoot(root);
  if (!record) {
    throw JsonError("the document", "unknown record kind \"" + root +
                                        "\" (expected one of " +
                                        RootNameList() + ")");
  }
  std::visit(
      [&](auto& value) { FromJson(document.begin().value(), value, root); },
      *record);
  return std::move(*record);
}

}  // namespace dsrtool
