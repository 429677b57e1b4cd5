#pragma once
// The command line of Kestrelune.exe. Without arguments the program starts
// as usual; a shortcut made for a game applies a profile and ends:
//   Kestrelune.exe /profile "C:\Program Files\Kestrelune\Profiles\Quake.kpf" [/silent]
// Options are case-insensitive; a file name with blanks is quoted.
#include <optional>
#include <string>

namespace kl::app {

struct CommandLine {
  std::optional<std::string> profile;  // /profile FILE
  bool silent = false;                 // /silent: no message boxes
  std::string error;                   // not empty: the line was not understood
};

// `arguments` as Windows hands them to WinMain, without the program's name.
CommandLine ParseCommandLine(const std::string& arguments);

// The text shown for a line that was not understood.
std::string CommandLineHelp(const std::string& error);

}  // namespace kl::app
