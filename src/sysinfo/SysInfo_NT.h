#pragma once
// The machine facts of the System Information page, read from the values
// the ATI driver software keeps under HKEY_LOCAL_MACHINE (the small system
// queries are in system/SystemQueries.h). None keeps state
// between calls; each opens and closes its own keys.
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

}  // namespace kl::sysinfo
