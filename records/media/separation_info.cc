#include "records/media/separation_info.h"

#include <string_view>

#include "xmlio/record_codec.h"
#include "xmlio/record_files.h"

namespace devseries {

namespace {

template <typename Out>
void WriteSeparationTableTo(Out& out, const SeparationTable& table) {
  out.Begin("SeparationTable");
  WriteField(out, "nInputChannelNum", table.nInputChannelNum);
  const std::string tableText = table.eType == 1
                                    ? EncodeOutputTableText(table.usOutputTable)
                                    : std::string();
  WriteField(out, "usOutputTable", tableText);
  WriteField(out, "dStart", table.dStart);
  WriteField(out, "dPeak", table.dPeak);
  WriteField(out, "dMax", table.dMax);
  WriteField(out, "dEnd", table.dEnd);
  WriteField(out, "dEndMax", table.dEndMax);
  WriteField(out, "eType", table.eType);
  WriteField(out, "strInputChannel", table.strInputChannel);
  WriteField(out, "nInkIndex", table.nInkIndex);
  WriteField(out, "nHeadCount", table.nHeadCount);
  out.End();
}

template <typename Out>
void WriteSeparationInfoTo(Out& out, const SeparationInfo& record) {
  out.Begin("SeparationInfo");
  WriteField(out, "nSeparationIndex", record.nSeparationIndex);
  WriteField(out, "strSeparationName", record.strSeparationName);
  WriteField(out, "nOutputChannel", record.nOutputChannel);
  WriteEachRecord(out, "aSeparationTableList", record.aSeparationTableList,
                  WriteSeparationTableTo<Out>);
  WriteField(out, "nPrintChartFileInfoIndex", record.nPrintChartFileInfoIndex);
  WriteField(out, "strInkLimitTableFile", record.strInkLimitTableFile);
  out.Begin("anInputChannelInkIndexList");
  for (std::int32_t ink : record.anInputChannelInkIndexList) {
    WriteField(out, "nInkIndex", ink);
  }
  out.End();
  out.End();
}

}  // namespace

void SeparationInfoIO::ReadSeparationInfo(DomNode element,
                                          SeparationInfo& record) {
  ChildCursor cursor(element);
  for (DomNode node = cursor.Next(); node; node = cursor.Next()) {
    std::string_view name = node.NodeName();
    if (name == "aSeparationTableList") {
      ChildCursor tables(node);
      for (DomNode child = tables.Next(); child; child = tables.Next()) {
        if (!child.IsElementNamed("SeparationTable")) continue;
        AppendRecord(child, record.aSeparationTableList,
                     [this](DomNode node, SeparationTable& table) {
                       ReadSeparationTable(node, table);
                     });
      }
    } else if (name == "anInputChannelInkIndexList") {
      ChildCursor indices(node);
      for (DomNode child = indices.Next(); child; child = indices.Next()) {
        if (child.NodeName() != "nInkIndex") continue;
        ChargeValues<std::int32_t>(child, 1);
        record.anInputChannelInkIndexList.push_back(ReadIntValue(child));
      }
    } else {
      MatchField(node, name, "nSeparationIndex", record.nSeparationIndex) ||
          MatchField(node, name, "strSeparationName",
                     record.strSeparationName) ||
          MatchField(node, name, "nOutputChannel", record.nOutputChannel) ||
          MatchField(node, name, "nPrintChartFileInfoIndex",
                     record.nPrintChartFileInfoIndex) ||
          MatchField(node, name, "strInkLimitTableFile",
                     record.strInkLimitTableFile);
    }
  }
}

DomNode SeparationInfoIO::WriteSeparationInfo(DomDocument& document,
                                              const SeparationInfo& record) {
  return BuildElement(document, [&](DomElementBuilder& out) {
    WriteSeparationInfoTo(out, record);
  });
}

void SeparationInfoIO::WriteSeparationInfo(DomElementBuilder& out,
                                           const SeparationInfo& record) {
  WriteSeparationInfoTo(out, record);
}

void SeparationInfoIO::WriteSeparationInfo(XmlStreamWriter& out,
                                           const SeparationInfo& record) {
  WriteSeparationInfoTo(out, record);
}

void SeparationInfoIO::ReadSeparationTable(DomNode element,
                                           SeparationTable& table) {
  ChildCursor cursor(element);
  ReadNext(cursor, "nInputChannelNum", table.nInputChannelNum);
  // The text is decoded once the type is known; its element is kept for
  // the note of a text that cannot be read.
  const DomNode tableElement = cursor.Next("usOutputTable");
  std::string tableText = ReadStringValue(tableElement);
  ReadNext(cursor, "dStart", table.dStart);
  ReadNext(cursor, "dPeak", table.dPeak);
  ReadNext(cursor, "dMax", table.dMax);
  ReadNext(cursor, "dEnd", table.dEnd);

  for (DomNode node = cursor.Next(); node; node = cursor.Next()) {
    std::string_view name = node.NodeName();
    MatchField(node, name, "dEndMax", table.dEndMax) ||
        MatchField(node, name, "eType", table.eType) ||
        MatchField(node, name, "strInputChannel", table.strInputChannel) ||
        MatchField(node, name, "nInkIndex", table.nInkIndex) ||
        MatchField(node, name, "nHeadCount", table.nHeadCount);
  }

  // A text that is not Base64 or too short leaves the table as it was.
  if (table.eType == 1 && !tableText.empty()) {
    DecodeOutputTableText(tableText, table.usOutputTable, tableElement);
  }
}

DomNode SeparationInfoIO::WriteSeparationTable(DomDocument& document,
                                               const SeparationTable& table) {
  return BuildElement(document, [&](DomElementBuilder& out) {
    WriteSeparationTableTo(out, table);
  });
}

void SeparationInfoIO::ReadFirstSeparationInfo(DomNode node,
                                               SeparationInfo& record) {
  if (DomNode element = node.FirstChildNamed("SeparationInfo")) {
    ReadSeparationInfo(element, record);
  }
}

DomDocumentPtr SeparationInfoIO::CreateSeparationInfoDocument(
    const SeparationInfo& record) {
  return CreateRecordDocument([&](DomDocument& document) {
    return WriteSeparationInfo(document, record);
  });
}

bool SeparationInfoIO::SaveSeparationInfoFile(const std::string& path,
                                              const SeparationInfo& record) {
  return SaveRecordFile(path,
                        [&] { return CreateSeparationInfoDocument(record); });
}

bool SeparationInfoIO::LoadSeparationInfoFile(const std::string& path,
                                              SeparationInfo& record) {
  return LoadSeparationInfoFile(path, record, nullptr);
}

bool SeparationInfoIO::LoadSeparationInfoFile(const std::string& path,
                                              SeparationInfo& record,
                                              ReadReport* report) {
  return LoadRecordFile(
      path, [&](DomNode node) { ReadFirstSeparationInfo(node, record); },
      report);
}

void SeparationInfoIO::BuildOutputTable(const OutputTableSamples& samples,
                                        OutputTable& table) {
  devseries::BuildOutputTable(samples, table);
}

}  // namespace devseries
