#pragma once
// A second start of Kestrelune.exe while a copy runs (its mutex exists): the
// running copy is asked to show its window, or to apply the profile of the
// command line, over WM_COPYDATA to its main window.
#include <optional>

#include "app/CommandLine.h"

namespace kl::main {

// The exit code: 0 when the window was shown; for a profile,
// ProfileOutcome::AnotherCopy once the running copy answered (its own
// messages say how it went), or when it could not be reached. Nothing when
// the other copy ended meanwhile (its mutex `mutexName` is gone): this one
// is then the only one.
std::optional<int> HandOverToRunningCopy(const app::CommandLine& line, const char* mutexName);

}  // namespace kl::main
