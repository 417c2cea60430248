#include "devseries/platform/com.h"

#include <atomic>
#include <cstdio>

#include "devseries/platform/com_codes.h"

namespace devseries::platform {
namespace {

thread_local int t_initCount = 0;

class FailingRuntime : public ComponentRuntime {
 public:
  HRESULT Start() override { return failure_.load(); }
  void SetFailure(HRESULT hr) { failure_ = hr; }

 private:
  std::atomic<HRESULT> failure_{E_FAIL};
};

}  // namespace

std::string _com_error::ErrorMessage() const {
  switch (hr_) {
    case S_OK:
      return "No error";
    case E_NOTIMPL:
      return "Not implemented";
    case E_POINTER:
      return "Invalid pointer";
    case E_FAIL:
      return "Unspecified error";
    case E_OUTOFMEMORY:
      return "Not enough memory resources are available to complete this "
             "operation.";
    case E_INVALIDARG:
      return "The parameter is incorrect.";
    case E_ACCESSDENIED:
      return "Access is denied.";
    case CO_E_NOTINITIALIZED:
      return "CoInitialize has not been called.";
    default:
      break;
  }
  const auto code = static_cast<std::uint32_t>(hr_);
  char text[64];
  if (code >= 0x80040201u && code <= 0x8004FFFFu) {
    std::snprintf(text, sizeof text, "IDispatch error #%d",
                  static_cast<int>((code & 0xFFFFu) - 0x200u));
  } else {
    std::snprintf(text, sizeof text, "Unknown error 0x%0lX",
                  static_cast<unsigned long>(code));
  }
  return text;
}

HRESULT CoInitialize(void* /*reserved*/) {
  HRESULT started = Seam<ComponentRuntime>::Current()->Start();
  if (FAILED(started)) return started;
  return t_initCount++ == 0 ? S_OK : S_FALSE;
}

void CoUninitialize() {
  if (t_initCount == 0) return;
  --t_initCount;
  Seam<ComponentRuntime>::Current()->Stop();
}

int CoInitializeCount() { return t_initCount; }

void SetCoInitializeFailureForTesting(HRESULT hr) {
  static FailingRuntime failing;
  if (SUCCEEDED(hr)) {
    Seam<ComponentRuntime>::Install(nullptr);
    return;
  }
  failing.SetFailure(hr);
  Seam<ComponentRuntime>::Install(&failing);
}

}  // namespace devseries::platform
