#include "devseries/records/printer/model_info.h"

#include <string_view>

#include "devseries/records/printer/model_info_model_internal.h"
#include "devseries/xmlio/record_files.h"

namespace devseries {

using field_model::ReadRecord;
using field_model::WriteRecord;

void ModelInfoIO::ReadModelInfo(DomNode element, ModelInfo& r) {
  ReadRecord(element, r);
}

DomNode ModelInfoIO::WriteModelInfo(DomDocument& doc, const ModelInfo& r) {
  return BuildElement(doc,
                      [&](DomElementBuilder& out) { WriteRecord(out, r); });
}

void ModelInfoIO::WriteModelInfo(DomElementBuilder& out, const ModelInfo& r) {
  WriteRecord(out, r);
}

void ModelInfoIO::WriteModelInfo(XmlStreamWriter& out, const ModelInfo& r) {
  WriteRecord(out, r);
}

void ModelInfoIO::ReadFirstModelInfo(DomNode node, ModelInfo& record) {
  if (DomNode element = node.FirstChildNamed("ModelInfo")) {
    ReadModelInfo(element, record);
  }
}

DomDocumentPtr ModelInfoIO::CreateModelInfoDocument(const ModelInfo& record) {
  return CreateRecordDocument(
      [&](DomDocument& doc) { return WriteModelInfo(doc, record); });
}

bool ModelInfoIO::SaveModelInfoFile(const std::string& path,
                                    const ModelInfo& record) {
  return SaveRecordFile(path, [&] { return CreateModelInfoDocument(record); });
}

bool ModelInfoIO::LoadModelInfoFile(const std::string& path,
                                    ModelInfo& record) {
  return LoadModelInfoFile(path, record, nullptr);
}

bool ModelInfoIO::LoadModelInfoFile(const std::string& path, ModelInfo& record,
                                    ReadReport* report) {
  return LoadRecordFile(
      path, [&](DomNode node) { ReadFirstModelInfo(node, record); }, report);
}

// Member-wise equality, defined here so that the header stays C++17.
bool ModelExtraEntry::operator==(const ModelExtraEntry&) const = default;
bool ModelInfo::operator==(const ModelInfo&) const = default;

}  // namespace devseries
