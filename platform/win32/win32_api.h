// The one place the Win32 layer includes <windows.h>, with the settings every file of it needs.
// Only platform/win32/ and the Windows test helpers include this header.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
// Windows 2000 is the floor: the headers then declare nothing newer (the build sets the same).
#ifndef _WIN32_WINNT
#define _WIN32_WINNT 0x0500
#endif
#ifndef WINVER
#define WINVER 0x0500
#endif

#include <windows.h>

#include "platform/errors.h"

namespace qid {

// The thread's last error as the seam's code: both are Win32 codes, so this is the value itself.
inline ErrorCode LastError() { return static_cast<ErrorCode>(::GetLastError()); }

}  // namespace qid
