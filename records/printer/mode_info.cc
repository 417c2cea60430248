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

template <typename Out>
void WriteLampPowers(Out& out, const std::array<UVLampPower, 2>& powers) {
  out.Begin("aUVLampPowerList");
  if (DiffersFromBase(powers)) {
    WriteUVLampPower(out, powers[0], 0);
    WriteUVLampPower(out, powers[1], 1);
  }
  out.End();
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

template <typename Out>
void WriteModeInfoTo(Out& out, const ModeInfo& r) {
  out.Begin("ModeInfo");
  WriteField(out, "nModeIndex", r.nModeIndex);
  WriteField(out, "strModeName", r.strModeName);
  WriteField(out, "nInkNum", r.nInkNum);
  WriteIntSlotsTo(out, "nInkIndexList", r.nInkIndexList, SlotName);
  WriteField(out, "nBitsPerPixel", r.nBitsPerPixel);
  WriteField(out, "nDotType", r.nDotType);
  WriteField(out, "strDotSize", r.strDotSize);

  WriteField(out, "nInkVolumeIndex", r.nInkVolumeIndex);
  WriteField(out, "strNozzleMask", r.strNozzleMask);
  WriteField(out, "nPassesPerLine", r.nPassesPerLine);
  WriteField(out, "strPJLOption", r.strPJLOption);
  WriteField(out, "flFeedResolutionPerPass", r.flFeedResolutionPerPass);
  WriteField(out, "nNozzleMaskCount", r.nNozzleMaskCount);
  WriteField(out, "nEmptyPathLength", r.nEmptyPathLength);
  WriteField(out, "nAdditionalPrintingTime", r.nAdditionalPrintingTime);
  WriteLampPowers(out, r.aUVLampPowerList);
  out.End();
}

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
  return BuildElement(doc,
                      [&](DomElementBuilder& out) { WriteModeInfoTo(out, r); });
}

void ModeInfoIO::WriteModeInfo(DomElementBuilder& out, const ModeInfo& r) {
  WriteModeInfoTo(out, r);
}

void ModeInfoIO::WriteModeInfo(XmlStreamWriter& out, const ModeInfo& r) {
  WriteModeInfoTo(out, r);
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
