// The device series read from the parser's events with the field model
// (xmlio/field_model_events_internal.h): the kinds' own codecs, the root
// element, and what the streamed read's tree would have been charged with.
#include <cstdint>
#include <string>
#include <string_view>

#include "devseries/device_series_model_internal.h"
#include "devseries/records/media/uv_lamp_power_model_internal.h"
#include "devseries/series_read_internal.h"
#include "devseries/xmlio/field_model_events_internal.h"
#include "devseries/xmlio/read_session.h"

namespace devseries::field_model {

namespace events {
namespace {

// The value of the unprefixed attribute `name`; false when there is none.
// One holding a reference (its value as stored unknown here) is handed over.
bool AttributeValue(Decoder& d, const Attributes& attributes,
                    std::string_view name, std::string_view& value) {
  for (const platform::DomEventHandler::Attribute& attribute : attributes) {
    if (!attribute.prefix.empty() || attribute.name != name) continue;
    if (attribute.referenced) d.HandOver();
    value = attribute.value;
    return true;
  }
  return false;
}

// An ink's display colour: the first three children, red, green and blue,
// each keeping the low 8 bits of its value.
class InkColorFrame final : public FirstValuesFrame<3> {
 public:
  explicit InkColorFrame(InkRGB& color)
      : FirstValuesFrame<3>(Names{"R", "G", "B"}), color_(color) {}
  void End(Decoder& d) override {
    if (!complete()) {
      d.HandOver();
      return;
    }
    color_.nRed = static_cast<std::uint8_t>(values_[0]);
    color_.nGreen = static_cast<std::uint8_t>(values_[1]);
    color_.nBlue = static_cast<std::uint8_t>(values_[2]);
  }

 private:
  InkRGB& color_;
};

// The two UV lamp powers: each child element naming position 0 or 1 sets
// both powers of that position (a power it lacks reads as 100); every other
// child is passed over.
class LampPowersFrame final : public Frame {
 public:
  explicit LampPowersFrame(std::array<UVLampPower, 2>& powers)
      : powers_(powers) {}
  void Child(Decoder& d, std::string_view,
             const Attributes& attributes) override {
    std::int32_t position = -1;
    std::string_view text;
    if (AttributeValue(d, attributes, "position", text)) {
      StoreInt(d, text, &position);
    }
    // Taken as unsigned, so a negative position is passed over as well.
    if (static_cast<std::uint32_t>(position) > 1) {
      d.Push<SkipFrame>();
      return;
    }
    position_ = position;
    read_ = UVLampPower{};
    d.Push<RecordFrame<UVLampPower>>(read_);
  }
  void Text(Decoder&, std::string_view, bool) override {}
  void Comment(Decoder&) override {}
  void Instruction(Decoder&, std::string_view) override {}
  void ChildEnded(Decoder&) override {
    if (position_ < 0) return;
    UVLampPower& entry = powers_[static_cast<size_t>(position_)];
    entry.nForwardPower = read_.nForwardPower;
    entry.nBackwardPower = read_.nBackwardPower;
    position_ = -1;
  }

 private:
  std::array<UVLampPower, 2>& powers_;
  UVLampPower read_;
  std::int32_t position_ = -1;
};

}  // namespace

template <typename Record>
void Open(Decoder& d, const InkColor&, InkRGB& member, Record&,
          const Attributes&) {
  d.Push<InkColorFrame>(member);
}

template <typename Record>
void Open(Decoder& d, const LampPowers&, std::array<UVLampPower, 2>& member,
          Record&, const Attributes&) {
  d.Push<LampPowersFrame>(member);
}

}  // namespace events

namespace {

using events::Attributes;
using events::Decoder;
using events::Frame;
using events::RecordFrame;

using SeriesFrame = RecordFrame<DeviceSeries>;

// What the root's children are read as, for what the streamed read's tree
// lets go of: the entries of a list as each ends, a member read whole at its
// end, the entries of an element no row names as each ends.
enum class RootChild { kList, kWhole, kSkipped };

template <size_t... I>
constexpr std::array<bool, SeriesFrame::positionalCount()> PositionalLists(
    std::index_sequence<I...>) {
  std::array<bool, SeriesFrame::positionalCount()> lists{};
  size_t count = 0;
  ((std::get<I>(Model<DeviceSeries>::kFields).find == Find::kPosition
        ? void(lists[count++] =
                   std::remove_cvref_t<decltype(std::get<I>(
                       Model<DeviceSeries>::kFields))>::kEncoding ==
                   Encoding::kRecordList)
        : void()),
   ...);
  return lists;
}
constexpr auto kPositionalLists = PositionalLists(
    std::make_index_sequence<
        std::tuple_size_v<decltype(Model<DeviceSeries>::kFields)>>());

// The document: its root element, the series.
class DocumentFrame final : public Frame {
 public:
  DocumentFrame(DeviceSeriesIO& io, DeviceSeries& result)
      : io_(io), rootName_(io.GetRootName()), result_(result) {}

  void Child(Decoder& d, std::string_view name,
             const Attributes& attributes) override {
    std::string_view version;
    if (name != rootName_ ||
        !events::AttributeValue(d, attributes, "strVersion", version) ||
        d.handedOver()) {
      d.HandOver();
      return;
    }
    // A version the gate refuses, or an older one, is read by the DOM
    // codecs (and the older format's reader).
    io_.AcceptFileVersion(version);
    SetDefaultFirmwareLinks(result_);
    d.Push<SeriesFrame>(result_);
    root_ = static_cast<SeriesFrame*>(&d.top());
  }
  void ChildEnded(Decoder& d) override {
    root_ = nullptr;
    NormaliseSeries(result_, [&](std::uint64_t angles) {
      d.Charge(2 * sizeof(float) * angles);
      if (d.handedOver()) throw DocumentBoundExceeded();
    });
    read_ = !d.handedOver();
  }

  bool read() const { return read_; }
  // What the root child starting now, `name`, is read as.
  RootChild Classify(std::string_view name) const {
    const size_t slot = root_ != nullptr ? root_->positionalRead() : 0;
    if (slot < kPositionalLists.size()) {
      return kPositionalLists[slot] ? RootChild::kList : RootChild::kWhole;
    }
    return IsNamedRow<DeviceSeries>(name) ? RootChild::kWhole
                                          : RootChild::kSkipped;
  }

 private:
  DeviceSeriesIO& io_;
  const std::string rootName_;
  DeviceSeries& result_;
  SeriesFrame* root_ = nullptr;
  bool read_ = false;
};

// Tells the decoder of the parser's events, and the parser which nodes the
// streamed read's tree would have let go of.
class SeriesEvents final : public platform::DomEventHandler {
 public:
  SeriesEvents(Decoder& decoder, DocumentFrame& document)
      : decoder_(decoder), document_(document) {}

  bool StartElement(std::string_view prefix, std::string_view name,
                    const std::vector<Attribute>& attributes,
                    int depth) override {
    if (depth == 2) rootChild_ = document_.Classify(name);
    decoder_.Start(prefix, name, attributes);
    return !decoder_.handedOver();
  }
  bool EndElement(int depth, bool& discard) override {
    discard = (depth == 3 && rootChild_ != RootChild::kWhole) ||
              (depth == 2 && rootChild_ == RootChild::kWhole);
    decoder_.End();
    return !decoder_.handedOver();
  }
  bool Text(std::string_view piece) override {
    decoder_.Text(piece);
    return !decoder_.handedOver();
  }
  bool Comment() override {
    decoder_.Comment();
    return !decoder_.handedOver();
  }
  bool Instruction(std::string_view target) override {
    decoder_.Instruction(target);
    return !decoder_.handedOver();
  }

 private:
  Decoder& decoder_;
  DocumentFrame& document_;
  RootChild rootChild_ = RootChild::kWhole;
};

}  // namespace
}  // namespace devseries::field_model

namespace devseries {

EventRead ReadSeriesEvents(DeviceSeriesIO& io, std::size_t sizeLimit,
                           std::uint64_t memoryBound, bool warnings,
                           DeviceSeries& result,
                           platform::DomParseError& loadError) {
  using namespace field_model;
  DomDocument document;
  document.SetSizeLimit(sizeLimit);
  document.SetMemoryBound(memoryBound);
  DocumentFrame top(io, result);
  events::Decoder decoder(document, warnings, top);
  SeriesEvents handler(decoder, top);
  const bool loaded = document.LoadEvents(io.m_strPath, handler);
  if (decoder.handedOver()) return EventRead::kHandedOver;
  if (!loaded) {
    // Past the memory bound the DOM codecs tell where the read stopped.
    if (document.parseError().overMemoryBound) return EventRead::kHandedOver;
    loadError = document.parseError();
    return EventRead::kNotLoaded;
  }
  return top.read() ? EventRead::kRead : EventRead::kHandedOver;
}

}  // namespace devseries
