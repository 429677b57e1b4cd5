#include "sysinfo/SysInfoPage.h"

#include <utility>

#include "platform/error.h"
#include "platform/registry_access.h"
#include "settings/DriverKey.h"
#include "sysinfo/SysInfo_NT.h"
#include "system/SystemQueries.h"
#include "ui/layout.h"

namespace kl::sysinfo {
namespace {

constexpr char kCannotDetect[] = "Cannot detect";

ui::GroupBox& group(ui::Control& parent, const std::string& name, const std::string& caption, int x,
                    int y, int w, int h) {
  return ui::place<ui::GroupBox>(parent, name, caption, {x, y, w, h});
}

// A "caption : value" row; the value starts as "Can't detect". The value
// takes the group's width up to `valueEnd`, so a long Windows version line
// ("... (Build 2600: Service Pack 3)") is not cut off in a wider font.
ui::Label* infoRow(ui::GroupBox& g, const std::string& name, const std::string& caption, int row,
                   int valueEnd) {
  const int y = 20 + row * 18;
  ui::addLabel(g, name + "Caption", caption, 12, y, 100, true);
  ui::addLabel(g, name + "Colon", ":", 115, y, 8, true);
  return &ui::addLabel(g, name, "Can't detect", 128, y, valueEnd - 128);
}

// The names of the extensions whose field is exactly "Yes", in this order,
// joined with ", "; "Cannot determine" when all four fields are empty.
std::string supportedExtensions(const TSystemType& cpu) {
  if (cpu.ThreeDNow.empty() && cpu.SSE.empty() && cpu.SSE2.empty() && cpu.MMX.empty())
    return "Cannot determine";
  const std::pair<const std::string*, const char*> extensions[] = {
      {&cpu.ThreeDNow, "3DNow"}, {&cpu.SSE, "SSE"}, {&cpu.SSE2, "SSE2"}, {&cpu.MMX, "MMX"}};
  std::string text;
  for (const auto& [field, name] : extensions)
    if (*field == "Yes") text += (text.empty() ? "" : ", ") + std::string(name);
  return text;
}

}  // namespace

std::string groupThousands(std::uint64_t value, const std::string& separator) {
  const std::string digits = std::to_string(value);
  std::string text;
  for (std::size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) text += separator;
    text += digits[i];
  }
  return text;
}

SysInfoPage::SysInfoPage(ui::TabSheet& sheet, platform::Platform& platform, ui::Application& app)
    : tabSysInfo(sheet), platform_(platform), app_(app) {
  tabSysInfo.setHint("Information of the current Windows system");
  tabSysInfo.setShowHint(true);
  GroupBox1 = &group(tabSysInfo, "GroupBox1", " System Information ", 8, 4, 576, 110);
  imageSysInfo = &GroupBox1->add<ui::Image>("imageSysInfo");
  imageSysInfo->setBounds(8, 16, 560, 86);
  imageSysInfo->setPicture("SYSINFO");
  buildSystemGroup();
  buildDriverGroup();
}

void SysInfoPage::buildSystemGroup() {
  GroupBox2 = &group(tabSysInfo, "GroupBox2", " System ", 8, 120, 576, 170);
  const int end = GroupBox2->bounds().width - 12;
  labelCPUid = infoRow(*GroupBox2, "labelCPUid", "CPU", 0, end);
  labelSupModes = infoRow(*GroupBox2, "labelSupModes", "Supports", 1, end);
  labelWindowsVer = infoRow(*GroupBox2, "labelWindowsVer", "OS", 2, end);
  labelDXVers = infoRow(*GroupBox2, "labelDXVers", "DirectX", 3, end);
  physmem = infoRow(*GroupBox2, "physmem", "Memory", 4, end);
  freemem = infoRow(*GroupBox2, "freemem", "Free memory", 5, end);
  labelRadeonType = infoRow(*GroupBox2, "labelRadeonType", "Videocard", 6, end);
  labelamountmem = infoRow(*GroupBox2, "labelamountmem", "Video memory", 7, end);
}

void SysInfoPage::buildDriverGroup() {
  GroupBox3 = &group(tabSysInfo, "GroupBox3", " Driver ", 8, 296, 576, 70);
  const int end = 390;  // before the button to the right of the values
  labelDriver = infoRow(*GroupBox3, "labelDriver", "Driver", 0, end);
  labelVersion = infoRow(*GroupBox3, "labelVersion", "Version", 1, end);
  labelDesktop = infoRow(*GroupBox3, "labelDesktop", "Desktop Utilities", 2, end);
  speedclearreg = &GroupBox3->add<ui::SpeedButton>("speedclearreg");
  speedclearreg->setText("Clear driver from registry");
  speedclearreg->setBounds(400, 28, 165, 25);
  speedclearreg->setPicture("CLEARREG");
}

// ---- start-up

// A failed lookup of the driver key reads like a failed read; the error
// itself is left to the later steps that need the key, so it is shown once.
std::string SysInfoPage::driverName() {
  std::string path;
  try {
    path = settings::GetDriverKey(platform_, app_);
  } catch (const Error&) {
    return kCannotDetect;
  }
  if (path.empty()) return std::string();  // no driver key: never HKEY_LOCAL_MACHINE itself
  platform::RegistryAccess driver(platform_.registry, platform::kHkeyLocalMachine);
  if (!driver.openKey(path, false)) return std::string();
  try {
    return driver.readString("drv");
  } catch (const Error&) {
    return kCannotDetect;
  }
}

void SysInfoPage::ShowDriverLines() {
  labelDriver->setText(driverName());
  const std::string system32 = system::GetWindowsDir(platform_) + "\\System32\\";
  for (auto [label, file] :
       {std::pair{labelVersion, "ati2dvag.dll"}, std::pair{labelDesktop, "atiptaxx.exe"}}) {
    try {
      label->setText(system::GetFileVersionText(platform_, system32 + file));
    } catch (const Error&) {
      // Missing, or without version: the line keeps "Can't detect".
    }
  }
}

void SysInfoPage::FillSystemInfo() {
  labelDXVers->setText(GetDirectXVersion(platform_));
  showCard();
  labelWindowsVer->setText(system::GetWindowsVersion(platform_, 2));
  showMemory();
  showProcessor();
}

void SysInfoPage::showCard() {
  const TRadeonType card = GetRadeonType(platform_, app_);
  labelRadeonType->setText(card.DeviceDescription);
  if (card.MemorySize == 0 && card.MemoryType == kCannotDetect)
    labelamountmem->setText(kCannotDetect);  // the pair of a missing memory key
  else if (card.MemorySize)
    labelamountmem->setText(std::to_string(*card.MemorySize) + card.MemoryType);
  else
    labelamountmem->setText(card.MemoryType);
}

void SysInfoPage::showMemory() {
  const platform::MemoryStatus memory = platform_.os.memoryStatus();
  const std::uint64_t kilobytes = (memory.totalPhys + 512) / 1024;
  physmem->setText(groupThousands(kilobytes, platform_.os.thousandSeparator()) + " KB");
  const int load = static_cast<int>(memory.memoryLoad);
  freemem->setText(std::to_string(100 - load) + " %");
}

void SysInfoPage::showProcessor() {
  const TSystemType cpu = GetSystemType(platform_);
  labelCPUid->setText(cpu.CPUName.size() > 4 ? cpu.CPUName : kCannotDetect);
  labelSupModes->setText(supportedExtensions(cpu));
}

}  // namespace kl::sysinfo
