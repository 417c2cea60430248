#include "records/media/separation_info.h"

#include <string_view>

#include "xmlio/record_codec.h"
#include "xmlio/record_files.h"

namespace devseries {

void SeparationInfoIO::ReadSeparationInfo(DomNode element,
                                          SeparationInfo& record) {
  ChildCursor cursor(element);
  for (DomNode node = cursor.Next(); node; node = cursor.Next()) {
    std::string_view name = node.NodeName();
    if (name == "aSeparationTableList") {
      ChildCursor tables(node);
      for (DomNode child = tables.Next(); child; child = tables.Next()) {
        if (!child.IsElementNamed("SeparationTable")) continue;
        SeparationTable table;
        ReadSeparationTable(child, table);
        record.aSeparationTableList.push_back(std::move(table));
      }
    } else if (name == "anInputChannelInkIndexList") {
      ChildCursor indices(node);
      for (DomNode child = indices.Next(); child; child = indices.Next()) {
        if (child.NodeName() != "nInkIndex") continue;
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
  DomNode element = document.CreateElement("SeparationInfo");
  AppendField(document, element, "nSeparationIndex", record.nSeparationIndex);
  AppendField(document, element, "strSeparationName", record.strSeparationName);
  AppendField(document, element, "nOutputChannel", record.nOutputChannel);
  DomNode tables =
      element.AppendChild(document.CreateElement("aSeparationTableList"));
  for (const SeparationTable& table : record.aSeparationTableList) {
    tables.AppendChild(WriteSeparationTable(document, table));
  }
  AppendField(document, element, "nPrintChartFileInfoIndex",
              record.nPrintChartFileInfoIndex);
  AppendField(document, element, "strInkLimitTableFile",
              record.strInkLimitTableFile);
  DomNode inks =
      element.AppendChild(document.CreateElement("anInputChannelInkIndexList"));
  for (std::int32_t ink : record.anInputChannelInkIndexList) {
    AppendField(document, inks, "nInkIndex", ink);
  }
  return element;
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
  DomNode element = document.CreateElement("SeparationTable");
  AppendField(document, element, "nInputChannelNum", table.nInputChannelNum);
  const std::string tableText = table.eType == 1
                                    ? EncodeOutputTableText(table.usOutputTable)
                                    : std::string();
  AppendField(document, element, "usOutputTable", tableText);
  AppendField(document, element, "dStart", table.dStart);
  AppendField(document, element, "dPeak", table.dPeak);
  AppendField(document, element, "dMax", table.dMax);
  AppendField(document, element, "dEnd", table.dEnd);
  AppendField(document, element, "dEndMax", table.dEndMax);
  AppendField(document, element, "eType", table.eType);
  AppendField(document, element, "strInputChannel", table.strInputChannel);
  AppendField(document, element, "nInkIndex", table.nInkIndex);
  AppendField(document, element, "nHeadCount", table.nHeadCount);
  return element;
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
