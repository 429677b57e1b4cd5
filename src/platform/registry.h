#pragma once
// The registry as the program sees it: a thin mirror of the advapi32 calls it
// makes, returning Win32 status codes. Implemented by a pass-through to the
// real registry (Windows builds) and by an in-memory registry (every build).
#include <cstdint>
#include <string>
#include <vector>

namespace kl::platform {

using HKey = std::uintptr_t;
using Status = long;

// Predefined roots, with the values Windows gives them.
constexpr HKey kHkeyClassesRoot = 0x80000000u;
constexpr HKey kHkeyCurrentUser = 0x80000001u;
constexpr HKey kHkeyLocalMachine = 0x80000002u;
constexpr HKey kHkeyUsers = 0x80000003u;

constexpr Status kErrorSuccess = 0;
constexpr Status kErrorFileNotFound = 2;
constexpr Status kErrorAccessDenied = 5;
constexpr Status kErrorInvalidHandle = 6;
constexpr Status kErrorWriteFault = 29;
constexpr Status kErrorInvalidParameter = 87;
constexpr Status kErrorBadPathname = 161;
constexpr Status kErrorMoreData = 234;
constexpr Status kErrorNoMoreItems = 259;
constexpr Status kErrorKeyDeleted = 1018;

constexpr std::uint32_t kRegNone = 0;
constexpr std::uint32_t kRegSz = 1;
constexpr std::uint32_t kRegExpandSz = 2;
constexpr std::uint32_t kRegBinary = 3;
constexpr std::uint32_t kRegDword = 4;
constexpr std::uint32_t kRegMultiSz = 7;

constexpr std::uint32_t kKeyQueryValue = 0x0001;
constexpr std::uint32_t kKeySetValue = 0x0002;
constexpr std::uint32_t kKeyCreateSubKey = 0x0004;
constexpr std::uint32_t kKeyEnumerateSubKeys = 0x0008;
constexpr std::uint32_t kKeyRead = 0x20019;
constexpr std::uint32_t kKeyWrite = 0x20006;
constexpr std::uint32_t kKeyAllAccess = 0xF003F;

struct KeyInfo {
  std::uint32_t subKeys = 0;
  std::uint32_t maxSubKeyLen = 0;  // in characters, without the NUL
  std::uint32_t values = 0;
  std::uint32_t maxValueNameLen = 0;
  std::uint32_t maxValueLen = 0;  // in bytes
};

class Registry {
 public:
  virtual ~Registry() = default;
  // RegOpenKeyEx: an empty path opens another handle to `parent` itself.
  virtual Status openKey(HKey parent, const std::string& path, std::uint32_t access,
                         HKey* result) = 0;
  // RegCreateKeyEx, non-volatile: creates every missing key of the path.
  virtual Status createKey(HKey parent, const std::string& path, std::uint32_t access,
                           HKey* result) = 0;
  // RegQueryValueEx. `type`, `data` and `size` may each be null. With a null
  // `data` the size is reported; with a buffer too small, kErrorMoreData and
  // the size needed. REG_SZ sizes count the terminating NUL.
  virtual Status queryValue(HKey key, const std::string& name, std::uint32_t* type,
                            std::uint8_t* data, std::uint32_t* size) = 0;
  virtual Status setValue(HKey key, const std::string& name, std::uint32_t type,
                          const std::uint8_t* data, std::uint32_t size) = 0;
  virtual Status deleteValue(HKey key, const std::string& name) = 0;
  // RegDeleteKey: a key that has subkeys is refused.
  virtual Status deleteKey(HKey parent, const std::string& path) = 0;
  virtual Status enumKey(HKey key, std::uint32_t index, std::string* name) = 0;
  // RegEnumValue: the value at `index` (0 to values - 1) with its type and
  // data as stored (REG_SZ data counts its NUL); kErrorNoMoreItems past the
  // last. Needs KEY_QUERY_VALUE. The order is the registry's, which need not
  // be the order of creation.
  virtual Status enumValue(HKey key, std::uint32_t index, std::string* name, std::uint32_t* type,
                           std::vector<std::uint8_t>* data) = 0;
  virtual Status queryInfoKey(HKey key, KeyInfo* info) = 0;
  virtual Status closeKey(HKey key) = 0;
};

}  // namespace kl::platform
