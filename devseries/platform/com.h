// The component runtime: the HRESULT type, the COM error object and the
// per-thread initialisation count of CoInitialize / CoUninitialize (the
// codes themselves are in com_codes.h, which the library's sources use). On
// Windows the default runtime is the system's (CoInitializeEx and
// CoUninitialize); elsewhere it is a count that always starts.
#pragma once

#include <cstdint>
#include <string>

#include "devseries/platform/seam.h"

#pragma GCC visibility push(default)
namespace devseries::platform {

using HRESULT = std::int32_t;

// The DOM service's codes: a name that is not a valid XML name, a document
// that does not parse, a file that cannot be read or written.
inline constexpr HRESULT XML_E_INVALIDNAME = static_cast<HRESULT>(0xC00CE501);
inline constexpr HRESULT XML_E_PARSEFAILED = static_cast<HRESULT>(0xC00CE556);
inline constexpr HRESULT XML_E_FILEIO = static_cast<HRESULT>(0x800C0005);
inline constexpr HRESULT XML_E_SCHEMAINVALID = static_cast<HRESULT>(0xC00CE169);

// The COM error object: carries the failing HRESULT. Thrown by value.
class _com_error {
 public:
  explicit _com_error(HRESULT hr, std::string description = {})
      : hr_(hr), description_(std::move(description)) {}

  HRESULT Error() const { return hr_; }
  // The system's message for the code: a plain text for the codes this
  // system raises, "IDispatch error #%d" for 0x80040201..0x8004FFFF and
  // "Unknown error 0x%0lX" otherwise.
  std::string ErrorMessage() const;
  // What the raising service said about the failure; may be empty.
  const std::string& Description() const { return description_; }

 private:
  HRESULT hr_;
  std::string description_;
};

// The seam (Seam<ComponentRuntime>): whether the runtime can start on a
// thread. The count of initialisations is CoInitialize's own; the default
// runtime always starts, tests install one that fails.
class ComponentRuntime {
 public:
  ComponentRuntime() = default;
  ComponentRuntime(const ComponentRuntime&) = delete;
  ComponentRuntime& operator=(const ComponentRuntime&) = delete;
  virtual ~ComponentRuntime() = default;

  // S_OK when the runtime starts on the calling thread, or the failure code
  // CoInitialize returns.
  virtual HRESULT Start() = 0;
  // Ends one start that succeeded, on the calling thread.
  virtual void Stop() {}

  // The system's runtime, or the count that always starts.
  static ComponentRuntime* Default();
};

// Initialises the component runtime for the calling thread: S_OK for the
// first initialisation, S_FALSE for a nested one; both must be paired with
// CoUninitialize. Returns the runtime's failure code when it cannot start.
HRESULT CoInitialize(void* reserved);
void CoUninitialize();

// The calling thread's current initialisation count.
int CoInitializeCount();

}  // namespace devseries::platform
#pragma GCC visibility pop
