#pragma once
// A simulated Windows XP PC with a Radeon 8500, as the Wine prefix is seeded:
// the driver key published under HARDWARE\DEVICEMAP\VIDEO, the ATI keys and
// the program's own key as the installation leaves it, after the first start
// (seedFirstStart makes the next start the first).
#include <string>

#include "platform/sim/sim_platform.h"

namespace kl::testing {

// The display adapter's key, its first device's key (the driver key), and the
// desktop key of the driver tabs, named after the adapter's GUID.
constexpr char kVideoGuidKey[] =
    "System\\CurrentControlSet\\Control\\Video\\{5E9A5D46-1B0C-4C5E-9F3B-2A6C1E8D7F01}";
constexpr char kDriverKey[] =
    "System\\CurrentControlSet\\Control\\Video\\{5E9A5D46-1B0C-4C5E-9F3B-2A6C1E8D7F01}\\0000";
constexpr char kDesktopKey[] =
    "SOFTWARE\\ATI Technologies\\Desktop\\{5E9A5D46-1B0C-4C5E-9F3B-2A6C1E8D7F01}";

// A text as a quoted REGEDIT4 string holds it: each backslash doubled.
inline std::string regedit4Escaped(const std::string& s) {
  std::string out;
  for (char c : s) out += c == '\\' ? std::string("\\\\") : std::string(1, c);
  return out;
}

inline std::string programKeyRegedit(const std::string& values) {
  return "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Kestrelune]\n" + values;
}

inline void seedXpRadeon(platform::SimPlatform& p) {
  const std::string driver = kDriverKey;
  p.registry.loadRegedit4(
      "REGEDIT4\n\n"
      "[HKEY_LOCAL_MACHINE\\HARDWARE\\DEVICEMAP\\VIDEO]\n"
      "\"\\\\Device\\\\Video0\"=\"\\\\Registry\\\\Machine\\\\" + regedit4Escaped(driver) +
      "\"\n\n"
      "[HKEY_LOCAL_MACHINE\\" + driver + "]\n"
      "\"drv\"=\"ati2dvag\"\n"
      "\"Device Description\"=\"RADEON 8500 Series\"\n\n" +
      "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run]\n\n"
      "[HKEY_CURRENT_USER\\Software\\Kestrelune]\n"
      "\"installpath\"=\"C:\\\\Program Files\\\\Kestrelune\\\\\"\n"
      "\"version\"=\"1.60\"\n"
      "\"FirstRun\"=\"No\"\n"
      "\"Use_AltPath\"=dword:00000000\n\n"
      "[HKEY_CURRENT_USER\\Software\\Kestrelune\\OCInfo]\n");
  p.display.addDevice({"\\\\.\\DISPLAY1", "RADEON 8500 Series", 0x5});
  p.display.addDevice({"\\\\.\\DISPLAYV1", "NetMeeting driver", 0x8});
  platform::FakeVersionInfo ati2dvag;
  ati2dvag.fileVersionMS = 0x0006000E;
  ati2dvag.fileVersionLS = 0x000A18C7;
  p.versions.addFile("C:\\WINDOWS\\System32\\ati2dvag.dll", ati2dvag);
}

// The setup's "FirstRun" = "Yes": the next start is the first, which saves
// the settings as they were and empties the restricted mode lists.
inline void seedFirstStart(platform::SimPlatform& p) {
  p.registry.loadRegedit4(programKeyRegedit("\"FirstRun\"=\"Yes\"\n"));
}

// The driver's custom-resolution list as Kestrelune's first Apply leaves it
// (the five modes it always writes first), so an Apply that changes nothing
// there shows no restart notice.
inline void seedFixedModes(platform::SimPlatform& p) {
  const std::string bytes =
      "hex:18,00,14,40,00,00,00,00,17,92,13,44,00,00,00,00,18,56,13,92,00,00,00,00,12,80,07,68,"
      "00,00,00,00,16,00,12,00,00,00,00,70\n";
  p.registry.loadRegedit4(std::string("REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\") + kDriverKey + "]\n" +
                          "\"DALNonStandardModesBCD\"=" + bytes + "\"DALNonStandardModesBCD1\"=" + bytes);
}

}  // namespace kl::testing
