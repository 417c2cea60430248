// The component runtime's status codes as the system names them (S_OK,
// E_FAIL, ...) and the SUCCEEDED / FAILED tests, for the library's own
// sources. Not installed: <windows.h> defines the same names as macros, and
// a program including both would not compile.
#pragma once

#include "devseries/platform/com.h"

namespace devseries::platform {

inline constexpr HRESULT S_OK = 0;
inline constexpr HRESULT S_FALSE = 1;
inline constexpr HRESULT E_NOTIMPL = static_cast<HRESULT>(0x80004001);
inline constexpr HRESULT E_POINTER = static_cast<HRESULT>(0x80004003);
inline constexpr HRESULT E_FAIL = static_cast<HRESULT>(0x80004005);
inline constexpr HRESULT E_OUTOFMEMORY = static_cast<HRESULT>(0x8007000E);
inline constexpr HRESULT E_INVALIDARG = static_cast<HRESULT>(0x80070057);
inline constexpr HRESULT E_ACCESSDENIED = static_cast<HRESULT>(0x80070005);
inline constexpr HRESULT CO_E_NOTINITIALIZED = static_cast<HRESULT>(0x800401F0);
inline constexpr bool SUCCEEDED(HRESULT hr) { return hr >= 0; }
inline constexpr bool FAILED(HRESULT hr) { return hr < 0; }

// Installs, through Seam<ComponentRuntime>, a runtime whose every start on
// any thread fails with `hr` (S_OK: the default runtime again). For tests.
void SetCoInitializeFailureForTesting(HRESULT hr);

}  // namespace devseries::platform
