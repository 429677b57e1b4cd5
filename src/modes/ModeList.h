#pragma once
// The display driver's mode lists: REG_BINARY values in the driver base key
// made of 8-byte records whose numbers are packed binary-coded decimal.
//
// Two groups, each kept under several names that are always written with
// identical bytes, in the group's order:
//   restricted modes   "DALRestrictedModesBCD", "...BCD1", "...BCD2", "...BCD3"
//   non-standard modes "DALNonStandardModesBCD", "DALNonStandardModesBCD1"
//
// Every operation asks for the driver base key afresh, opens it below
// HKEY_LOCAL_MACHINE without creating it and with full access (also to only
// read), and closes it again. A key that cannot be opened that way, and an
// empty driver key path (no driver key at all; HKEY_LOCAL_MACHINE itself is
// never addressed), read as absent values; writing there raises
// "Failed to set data for '%s'" with the group's first name. Registry errors
// are kl::Error and end the calling action; values written before stay.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace kl::ui {
class Application;
}

namespace kl::modes {

// Width, height, two reserved zero bytes and the refresh rate (0: any rate),
// each number as four BCD digits, most significant pair first.
struct ModeRecord {
  std::array<std::uint8_t, 8> bytes{};
};

// Raises kl::Error naming the number when one lies outside 0 to 9999: such a
// record cannot be written without losing digits.
ModeRecord EncodeModeRecord(int width, int height, int refreshRate);

// Appends the record to every restricted-mode value; the source of the
// existing list is always "DALRestrictedModesBCD" (absent counts as empty).
void AppendRestrictedMode(platform::Platform& platform, ui::Application& app,
                          const ModeRecord& record);
// Writes the four restricted-mode values as empty lists: all refresh rates
// unlocked once the driver restarts.
void ClearRestrictedModes(platform::Platform& platform, ui::Application& app);
// False only when all four restricted-mode values exist and are empty.
bool RefreshRatesLocked(platform::Platform& platform, ui::Application& app);

// Encodes and appends a record to both non-standard values; the existing
// list comes from "DALNonStandardModesBCD", or "...BCD1" when the first is
// absent (both absent count as empty).
void AppendNonStandardMode(platform::Platform& platform, ui::Application& app, int width,
                           int height, int refreshRate);
void ClearNonStandardModes(platform::Platform& platform, ui::Application& app);
// The resolutions of the non-standard list, "1280 x 768", one per record in
// record order, at most 256. Read from "DALNonStandardModesBCD", or from
// "...BCD1" when the first delivers no bytes. A value longer than 2048 bytes
// or not REG_BINARY raises "Invalid data type for '%s'".
std::vector<std::string> ReadNonStandardModes(platform::Platform& platform, ui::Application& app);
// True when both non-standard values exist and hold exactly `bytes`.
bool NonStandardModesHold(platform::Platform& platform, ui::Application& app,
                          const std::vector<std::uint8_t>& bytes);

// The names of both groups, the restricted ones first: the values the first
// start saves before it empties the restricted lists.
std::vector<std::string> ModeValueNames();

// "1024 x 600": the decimal width, " x ", the decimal height.
std::string ResolutionText(int width, int height);
// Index 0: the text before the blank in front of the first "x"; index 1: the
// text after the blank behind it. Empty when the text has no "x".
std::string SplitResolutionText(int part, const std::string& text);
// The part as a number; raises kl::Error when it is not a decimal number.
int ResolutionPart(int part, const std::string& text);

}  // namespace kl::modes
