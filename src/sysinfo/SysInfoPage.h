#pragma once
// The page "System Information": the group " System Information " with its
// picture, the group " System " with the processor, Windows, DirectX,
// memory and card rows, and the group " Driver " with the driver lines and
// the button "Clear driver from registry". Each row is a bold caption, a
// bold ":" and a value label that shows "Can't detect" until it is filled.
//
// The page fills itself only when asked: ShowDriverLines and FillSystemInfo
// at their steps of start-up; it is never refreshed. The button's click is
// the application shell's (driver removal): the page leaves it unwired.
#include <cstdint>
#include <string>

#include "platform/platform.h"
#include "ui/application.h"
#include "ui/controls.h"

namespace kl::sysinfo {

class SysInfoPage {
 public:
  SysInfoPage(ui::TabSheet& tabSysInfo, platform::Platform& platform, ui::Application& app);
  SysInfoPage(const SysInfoPage&) = delete;
  SysInfoPage& operator=(const SysInfoPage&) = delete;

  // The driver lines: "drv" of the driver base key in labelDriver ("Cannot
  // detect" when it is of another type or the key lookup raises; empty when
  // it or the key is missing, or there is no driver key), and the file
  // versions of the display driver and the desktop utilities (a missing
  // file, or one without version, keeps "Can't detect"). Never raises.
  void ShowDriverLines();
  // The group " System ", in this order: DirectX, card and video memory, OS,
  // physical and free memory, CPU, supported extensions. Never raises.
  void FillSystemInfo();

  ui::TabSheet& tabSysInfo;
  ui::GroupBox* GroupBox1 = nullptr;
  ui::Image* imageSysInfo = nullptr;
  ui::GroupBox* GroupBox2 = nullptr;
  ui::Label* labelCPUid = nullptr;
  ui::Label* labelSupModes = nullptr;
  ui::Label* labelWindowsVer = nullptr;
  ui::Label* labelDXVers = nullptr;
  ui::Label* physmem = nullptr;
  ui::Label* freemem = nullptr;
  ui::Label* labelRadeonType = nullptr;
  ui::Label* labelamountmem = nullptr;
  ui::GroupBox* GroupBox3 = nullptr;
  ui::Label* labelDriver = nullptr;
  ui::Label* labelVersion = nullptr;
  ui::Label* labelDesktop = nullptr;
  ui::SpeedButton* speedclearreg = nullptr;

 private:
  void buildSystemGroup();
  void buildDriverGroup();
  void showCard();
  void showMemory();
  void showProcessor();
  std::string driverName();

  platform::Platform& platform_;
  ui::Application& app_;
};

// 523760 with "," gives "523,760": groups of three digits from the right.
std::string groupThousands(std::uint64_t value, const std::string& separator);

}  // namespace kl::sysinfo
