#include "tools/dsrtool_src/record_kinds.h"

#include <sstream>
#include <utility>

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

void WriteRecordJson(std::ostream& out, const AnyRecord& record, JsonForm form,
                     bool pretty) {
  JsonEmitter emitter(out, pretty);
  emitter.BeginObject();
  if (form == JsonForm::kMemory) {
    emitter.Key(kInMemoryKey);
    emitter.String(
        "the record as held in memory, for inspection: build does not read "
        "this form");
  }
  emitter.Key(RootName(record));
  std::visit([&](const auto& value) { EmitValue(emitter, value, form); },
             record);
  emitter.EndObject();
}

Json RecordJsonTree(const AnyRecord& record) {
  std::ostringstream text;
  WriteRecordJson(text, record, JsonForm::kFile, false);
  return Json::parse(text.str());
}

AnyRecord NewRecordForDocument(const DocumentShape& shape) {
  if (shape.isObject && shape.hasInMemoryKey) {
    throw JsonError(kInMemoryKey,
                    "this is the memory form that dump --memory prints, for "
                    "inspection only; build reads the form of a plain dump");
  }
  if (!shape.isObject || shape.keys != 1) {
    throw JsonError("the document",
                    "expected an object with one key naming the record kind (" +
                        RootNameList() + ")");
  }
  std::optional<AnyRecord> record = NewRecordForRoot(shape.firstKey);
  if (!record) {
    throw JsonError("the document", "unknown record kind \"" + shape.firstKey +
                                        "\" (expected one of " +
                                        RootNameList() + ")");
  }
  return std::move(*record);
}

AnyRecord RecordFromJson(const Json& document) {
  DocumentShape shape;
  shape.isObject = document.is_object();
  if (shape.isObject) {
    shape.hasInMemoryKey = document.contains(kInMemoryKey);
    shape.keys = document.size();
    if (!document.empty()) shape.firstKey = document.begin().key();
  }
  AnyRecord record = NewRecordForDocument(shape);
  std::visit(
      [&](auto& value) {
        FromJson(document.begin().value(), value, shape.firstKey);
      },
      record);
  return record;
}

}  // namespace dsrtool
