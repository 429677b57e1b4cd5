#pragma once
// Small system queries used from the first moment of start-up: the Windows
// version, the program's own values under HKEY_CURRENT_USER
// "Software\Kestrelune", the Windows directory and file versions. They sit
// below every subsystem: the driver key needs the Windows version, the
// System Information page the file versions. None keeps state between
// calls; each opens and closes its own keys.
#include <string>

#include "platform/platform.h"

namespace kl::system {

// Form 1: "5.1" (major.minor). Form 2: the long label, e.g.
// "Windows NT 5.1 (Build 2600: Service Pack 1)". Any other form: "".
std::string GetWindowsVersion(platform::Platform& platform, int form);

// The value "installpath", expected to end with a backslash; "" when the key
// or value is missing or unreadable. The key is never created.
std::string GetInstallPath(platform::Platform& platform);

// The value "version"; "Cannot detect" when it holds another type than text,
// "" when the key or value is missing. The key is never created.
std::string GetProgramVersion(platform::Platform& platform);

// Without a trailing backslash, e.g. C:\WINDOWS.
std::string GetWindowsDir(platform::Platform& platform);

// "6.14.10.6343" from the file's fixed version information. Raises
// "Fixed file info not available" when the file is missing or has none;
// what to show then is the caller's choice.
std::string GetFileVersionText(platform::Platform& platform, const std::string& file);

}  // namespace kl::system
