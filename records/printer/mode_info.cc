#include "records/printer/mode_info.h"

#include <string_view>

#include "xmlio/record_codec.h"
#include "xmlio/record_files.h"

namespace devseries {

namespace {

// True when a power of either entry differs from that entry's base power.
bool DiffersFromBase(const std::array<UVLampPower, 2>& powers) {
  for (const UVLampPower& entry : powers) {
    if (entry.nForwardPower != entry.nBasePower ||
        entry.nBackwardPower != entry.nBasePower) {
      return true;
    }
  }
  return false;
}

DomNode WriteLampPowers(DomDocument& doc,
                        const std::array<UVLampPower, 2>& powers) {
  DomNode e = doc.CreateElement("aUVLampPowerList");
  if (DiffersFromBase(powers)) {
    e.AppendChild(WriteUVLampPower(doc, powers[0], 0));
    e.AppendChild(WriteUVLampPower(doc, powers[1], 1));
  }
  return e;
}

// Each child naming lamp position 0 or 1 sets both powers of that position;
// a power the child does not carry reads as 100. Other children are skipped.
void ReadLampPowers(DomNode element, std::array<UVLampPower, 2>& powers) {
  ChildCursor cursor(element);
  for (DomNode node = cursor.Next(); node; node = cursor.Next()) {
    UVLampPower read;  // 100, 100, 100
    int position = -1;
    if (!ReadUVLampPower(node, read, position)) continue;
    UVLampPower& entry = powers[static_cast<size_t>(position)];
    entry.nForwardPower = read.nForwardPower;
    entry.nBackwardPower = read.nBackwardPower;
  }
}

std::string SlotName(size_t slot) { return NumberedName("value", slot); }

}  // namespace

void ModeInfoIO::ReadModeInfo(DomNode element, ModeInfo& r) {
  r.nNozzleMaskCount = 0;

  ChildCursor cursor(element);
  ReadNext(cursor, "nModeIndex", r.nModeIndex);
  ReadNext(cursor, "strModeName", r.strModeName);
  ReadNext(cursor, "nInkNum", r.nInkNum);
  ReadIntSlots(cursor.Next("nInkIndexList"), r.nInkIndexList, NumberedSlotName);
  ReadNext(cursor, "nBitsPerPixel", r.nBitsPerPixel);
  ReadNext(cursor, "nDotType", r.nDotType);
  ReadNext(cursor, "strDotSize", r.strDotSize);

  for (DomNode node = cursor.Next(); node; node = cursor.Next()) {
    const std::string_view name = node.NodeName();
    if (name == "aUVLampPowerList") {
      ReadLampPowers(node, r.aUVLampPowerList);
      continue;
    }
    MatchField(node, name, "nInkVolumeIndex", r.nInkVolumeIndex) ||
        MatchField(node, name, "strNozzleMask", r.strNozzleMask) ||
        MatchField(node, name, "nPassesPerLine", r.nPassesPerLine) ||
        MatchField(node, name, "strPJLOption", r.strPJLOption) ||
        MatchField(node, name, "flFeedResolutionPerPass",
                   r.flFeedResolutionPerPass) ||
        MatchField(node, name, "nNozzleMaskCount", r.nNozzleMaskCount) ||
        MatchField(node, name, "nEmptyPathLength", r.nEmptyPathLength) ||
        MatchField(node, name, "nAdditionalPrintingTime",
                   r.nAdditionalPrintingTime);
  }
}

DomNode ModeInfoIO::WriteModeInfo(DomDocument& doc, const ModeInfo& r) {
  DomNode e = doc.CreateElement("ModeInfo");
  AppendField(doc, e, "nModeIndex", r.nModeIndex);
  AppendField(doc, e, "strModeName", r.strModeName);
  AppendField(doc, e, "nInkNum", r.nInkNum);
  e.AppendChild(WriteIntSlots(doc, "nInkIndexList", r.nInkIndexList, SlotName));
  AppendField(doc, e, "nBitsPerPixel", r.nBitsPerPixel);
  AppendField(doc, e, "nDotType", r.nDotType);
  AppendField(doc, e, "strDotSize", r.strDotSize);

  AppendField(doc, e, "nInkVolumeIndex", r.nInkVolumeIndex);
  AppendField(doc, e, "strNozzleMask", r.strNozzleMask);
  AppendField(doc, e, "nPassesPerLine", r.nPassesPerLine);
  AppendField(doc, e, "strPJLOption", r.strPJLOption);
  AppendField(doc, e, "flFeedResolutionPerPass", r.flFeedResolutionPerPass);
  AppendField(doc, e, "nNozzleMaskCount", r.nNozzleMaskCount);
  AppendField(doc, e, "nEmptyPathLength", r.nEmptyPathLength);
  AppendField(doc, e, "nAdditionalPrintingTime", r.nAdditionalPrintingTime);
  e.AppendChild(WriteLampPowers(doc, r.aUVLampPowerList));
  return e;
}

void ModeInfoIO::ReadFirstModeInfo(DomNode node, ModeInfo& record) {
  if (DomNode element = node.FirstChildNamed("ModeInfo")) {
    ReadModeInfo(element, record);
  }
}

DomDocumentPtr ModeInfoIO::CreateModeInfoDocument(const ModeInfo& record) {
  return CreateRecordDocument(
      [&](DomDocument& doc) { return WriteModeInfo(doc, record); });
}

bool ModeInfoIO::SaveModeInfoFile(const std::string& path,
                                  const ModeInfo& record) {
  return SaveRecordFile(path, [&] { return CreateModeInfoDocument(record); });
}

bool ModeInfoIO::LoadModeInfoFile(const std::string& path, ModeInfo& record) {
  return LoadModeInfoFile(path, record, nullptr);
}

bool ModeInfoIO::LoadModeInfoFile(const std::string& path, ModeInfo& record,
                                  ReadReport* report) {
  return LoadRecordFile(
      path, [&](DomNode node) { ReadFirstModeInfo(node, record); }, report);
}

}  // namespace devseries
