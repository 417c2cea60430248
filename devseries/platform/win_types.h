// Basic Windows scalar types and constants used by the stand-ins and their
// callers.
#pragma once

#include <cstdint>

namespace devseries::platform {

using BOOL = int;
using BYTE = std::uint8_t;
using WORD = std::uint16_t;
using DWORD = std::uint32_t;
using LONG = std::int32_t;
using UINT = unsigned int;
using LANGID = std::uint16_t;

inline constexpr BOOL TRUE = 1;
inline constexpr BOOL FALSE = 0;

// Win32 error codes returned by the registry and file stand-ins.
inline constexpr LONG ERROR_SUCCESS = 0;
inline constexpr LONG ERROR_FILE_NOT_FOUND = 2;
inline constexpr LONG ERROR_ACCESS_DENIED = 5;
inline constexpr LONG ERROR_INVALID_HANDLE = 6;
inline constexpr LONG ERROR_INVALID_PARAMETER = 87;
inline constexpr LONG ERROR_MORE_DATA = 234;

}  // namespace devseries::platform
