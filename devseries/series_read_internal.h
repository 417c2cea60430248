// What the device-series reads share: the reader's normalisations, and the
// read driven by the parser's events.
#pragma once

#include <cstdint>
#include <functional>

#include "devseries/device_series.h"
#include "devseries/platform/dom.h"

namespace devseries {

// The firmware links a file without its own keeps.
void SetDefaultFirmwareLinks(DeviceSeries& series);

// The normalisations after a read: default input inks of separations,
// screen angles of permission sets. `charge` is told of the screen angles
// it adds, before they are added (it may raise to end the read).
void NormaliseSeries(DeviceSeries& series,
                     const std::function<void(std::uint64_t angles)>& charge);

// How a read from the parser's events ended.
enum class EventRead {
  kRead,        // the series was read
  kNotLoaded,   // the file could not be read or parsed: `loadError` says why
  kHandedOver,  // the DOM codecs read this file (nothing is decided)
};

// Reads the series at `io`'s path into `result` from
// the parser's events as `io`'s streamed read reads it, with `io`'s version
// gate, the size limit `sizeLimit` and the memory bound `memoryBound`;
// `warnings`: the read collects warnings. Anything the field model's event
// reader does not follow step by step is handed over.
EventRead ReadSeriesEvents(DeviceSeriesIO& io, std::size_t sizeLimit,
                           std::uint64_t memoryBound, bool warnings,
                           DeviceSeries& result,
                           platform::DomParseError& loadError);

}  // namespace devseries
