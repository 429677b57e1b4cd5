#include "modes/ModeList.h"

#include <algorithm>
#include <cctype>

#include "platform/error.h"
#include "platform/registry_access.h"
#include "settings/DriverKey.h"

namespace kl::modes {
namespace {

using platform::RegistryAccess;
using Names = std::vector<std::string>;

const Names& restrictedNames() {
  static const Names names = {"DALRestrictedModesBCD", "DALRestrictedModesBCD1",
                              "DALRestrictedModesBCD2", "DALRestrictedModesBCD3"};
  return names;
}

const Names& nonStandardNames() {
  static const Names names = {"DALNonStandardModesBCD", "DALNonStandardModesBCD1"};
  return names;
}

// The read buffer of the non-standard list: the most a list may hold.
constexpr int kListBufferSize = 2048;
constexpr std::uint8_t kUnused = 0xFF;  // never a BCD byte: marks the end of the data read

// One opening of the driver base key for one operation. An empty path (or
// one that names only the root) is no driver key: nothing is opened.
class DeviceKey {
 public:
  DeviceKey(platform::Platform& p, ui::Application& app)
      : reg_(p.registry, platform::kHkeyLocalMachine, platform::kKeyAllAccess) {
    const std::string path = settings::GetDriverKey(p, app);
    if (path.find_first_not_of('\\') != std::string::npos) open_ = reg_.openKey(path, false);
  }

  // -1 when the value (or the key) is absent.
  int size(const std::string& name) { return open_ ? reg_.getDataSize(name) : -1; }

  // All bytes of a REG_BINARY value, at most `limit`; an absent value is
  // empty. Another type, or more bytes, raise "Invalid data type for '%s'".
  std::vector<std::uint8_t> read(const std::string& name, int limit) {
    const int length = size(name);
    if (length < 0) return {};
    if (reg_.getDataType(name) != platform::RegDataType::Binary || length > limit)
      throw Error(formatMessage("Invalid data type for '%s'", name));
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(length));
    if (length > 0) reg_.readBinaryData(name, bytes.data(), length);
    return bytes;
  }

  // Writes the same bytes to every name, in order. Without an open key the
  // first name fails, as a write to a key that cannot be opened does.
  void writeAll(const Names& names, const std::vector<std::uint8_t>& bytes) {
    if (!open_) throw Error(formatMessage("Failed to set data for '%s'", names.front()));
    for (const std::string& name : names)
      reg_.writeBinaryData(name, bytes.data(), static_cast<int>(bytes.size()));
  }

 private:
  RegistryAccess reg_;
  bool open_ = false;
};

// The existing list comes from the group's first name; with `orSecond`, from
// its second name when the first is absent.
void appendTo(platform::Platform& p, ui::Application& app, const Names& names, bool orSecond,
              const ModeRecord& record) {
  DeviceKey key(p, app);
  const std::string& source = orSecond && key.size(names[0]) < 0 ? names[1] : names[0];
  std::vector<std::uint8_t> list = key.read(source, key.size(source));
  list.insert(list.end(), record.bytes.begin(), record.bytes.end());
  key.writeAll(names, list);
}

// Two BCD bytes of a number in 0 to 9999.
void putBcd(int number, std::uint8_t* out) {
  const int digits[4] = {number / 1000, number / 100 % 10, number / 10 % 10, number % 10};
  out[0] = static_cast<std::uint8_t>(digits[0] << 4 | digits[1]);
  out[1] = static_cast<std::uint8_t>(digits[2] << 4 | digits[3]);
}

// Every byte before the first unused one becomes the number its two BCD
// digits stand for; the rest of the buffer keeps the unused mark.
void decodeInPlace(std::vector<std::uint8_t>& buffer) {
  for (std::uint8_t& b : buffer) {
    if (b == kUnused) break;
    b = static_cast<std::uint8_t>((b >> 4) * 10 + (b & 0x0F));
  }
}

}  // namespace

ModeRecord EncodeModeRecord(int width, int height, int refreshRate) {
  for (int number : {width, height, refreshRate})
    if (number < 0 || number > 9999)
      throw Error("The number " + std::to_string(number) +
                  " cannot be stored in a display-mode record (0 to 9999)");
  ModeRecord record;
  putBcd(width, &record.bytes[0]);
  putBcd(height, &record.bytes[2]);
  putBcd(refreshRate, &record.bytes[6]);
  return record;
}

std::vector<std::string> ModeValueNames() {
  Names names = restrictedNames();
  names.insert(names.end(), nonStandardNames().begin(), nonStandardNames().end());
  return names;
}

void AppendRestrictedMode(platform::Platform& p, ui::Application& app, const ModeRecord& record) {
  appendTo(p, app, restrictedNames(), false, record);
}

void ClearRestrictedModes(platform::Platform& p, ui::Application& app) {
  DeviceKey(p, app).writeAll(restrictedNames(), {});
}

bool RefreshRatesLocked(platform::Platform& p, ui::Application& app) {
  DeviceKey key(p, app);
  for (const std::string& name : restrictedNames())
    if (key.size(name) != 0) return true;
  return false;
}

void AppendNonStandardMode(platform::Platform& p, ui::Application& app, int width, int height,
                           int refreshRate) {
  appendTo(p, app, nonStandardNames(), true, EncodeModeRecord(width, height, refreshRate));
}

void ClearNonStandardModes(platform::Platform& p, ui::Application& app) {
  DeviceKey(p, app).writeAll(nonStandardNames(), {});
}

std::vector<std::string> ReadNonStandardModes(platform::Platform& p, ui::Application& app) {
  DeviceKey key(p, app);
  std::vector<std::uint8_t> data = key.read(nonStandardNames()[0], kListBufferSize);
  if (data.empty()) data = key.read(nonStandardNames()[1], kListBufferSize);
  std::vector<std::uint8_t> buffer(kListBufferSize, kUnused);
  std::copy(data.begin(), data.end(), buffer.begin());
  decodeInPlace(buffer);
  std::vector<std::string> modes;
  for (std::size_t at = 0; at + 8 <= buffer.size() && buffer[at] != kUnused; at += 8)
    modes.push_back(
        ResolutionText(buffer[at] * 100 + buffer[at + 1], buffer[at + 2] * 100 + buffer[at + 3]));
  return modes;
}

bool NonStandardModesHold(platform::Platform& p, ui::Application& app,
                          const std::vector<std::uint8_t>& bytes) {
  DeviceKey key(p, app);
  for (const std::string& name : nonStandardNames()) {
    if (key.size(name) != static_cast<int>(bytes.size())) return false;
    try {
      if (key.read(name, static_cast<int>(bytes.size())) != bytes) return false;
    } catch (const Error&) {  // another type: not the list we would write
      return false;
    }
  }
  return true;
}

std::string ResolutionText(int width, int height) {
  return std::to_string(width) + " x " + std::to_string(height);
}

std::string SplitResolutionText(int part, const std::string& text) {
  const auto x = text.find('x');
  if (x == std::string::npos) return "";
  if (part == 0) return x == 0 ? "" : text.substr(0, x - 1);
  return x + 2 >= text.size() ? "" : text.substr(x + 2);
}

int ResolutionPart(int part, const std::string& text) {
  const std::string digits = SplitResolutionText(part, text);
  const bool numeric = !digits.empty() && digits.size() <= 9 &&
                       std::all_of(digits.begin(), digits.end(),
                                   [](unsigned char c) { return std::isdigit(c) != 0; });
  if (!numeric) throw Error("'" + digits + "' is not a valid integer value");
  return std::stoi(digits);
}

}  // namespace kl::modes
