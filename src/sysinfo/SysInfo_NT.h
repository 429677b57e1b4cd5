#pragma once
// Small system queries used from the first moment of start-up: the Windows
// version, the program's own values under HKEY_CURRENT_USER
// "Software\Kestrelune", the Windows directory and file versions; and the
// machine facts of the System Information page, read from the values the ATI
// driver software keeps under HKEY_LOCAL_MACHINE. None keeps state between
// calls; each opens and closes its own keys.
#include <cstdint>
#include <optional>
#include <string>

#include "platform/platform.h"

namespace kl::ui {
class Application;
}

namespace kl::sysinfo {

// Processor facts. The extension fields hold the head of their value, e.g.
// "Yes" of "Yes (Enabled)"; empty when missing or unreadable.
struct TSystemType {
  std::string CPUName;
  std::string SSE;
  std::string SSE2;
  std::string ThreeDNow;
  std::string MMX;
};

// Video card facts. Without the memory key every text is "Cannot detect"
// and the size 0.
struct TRadeonType {
  // The whole number in front of the first "." of "Size"; none when that
  // text is not a whole number.
  std::optional<std::int32_t> MemorySize = 0;
  std::string MemoryType;
  std::string DeviceDescription;
  std::string DriverName;
  std::string ReleaseVersion;
};

// Reads "SOFTWARE\ATI Technologies\CDS\System\0" with read access only, so
// a user without administrator rights sees it too.
TSystemType GetSystemType(platform::Platform& platform);

// Reads the memory key "Software\ATI Technologies\CDS\0000\0\MEMORY" and
// the driver base key, both with full access (a user without the right to
// write them sees them as missing). Values of another type than text count
// as missing. When the driver base key cannot be looked up (its lookup
// raises), the three driver fields read "Cannot detect"; an empty base key
// means there is no driver key, and nothing is read there.
TRadeonType GetRadeonType(platform::Platform& platform, ui::Application& app);

// "Version" of "Software\Microsoft\DirectX" as stored (full access); empty
// when it is missing or unreadable.
std::string GetDirectXVersion(platform::Platform& platform);

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

}  // namespace kl::sysinfo
