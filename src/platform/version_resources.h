#pragma once
// Version resources of files: GetFileVersionInfoSizeA, GetFileVersionInfoA
// and VerQueryValueA.
#include <cstdint>
#include <string>
#include <vector>

namespace kl::platform {

// The platform's fixed file information record (52 bytes).
struct FixedFileInfo {
  std::uint32_t signature;  // 0xFEEF04BD
  std::uint32_t strucVersion;
  std::uint32_t fileVersionMS;
  std::uint32_t fileVersionLS;
  std::uint32_t productVersionMS;
  std::uint32_t productVersionLS;
  std::uint32_t fileFlagsMask;
  std::uint32_t fileFlags;
  std::uint32_t fileOS;
  std::uint32_t fileType;
  std::uint32_t fileSubtype;
  std::uint32_t fileDateMS;
  std::uint32_t fileDateLS;
};
static_assert(sizeof(FixedFileInfo) == 52, "fixed file info is 13 words");
constexpr std::uint32_t kFixedFileInfoSignature = 0xFEEF04BDu;

class VersionResources {
 public:
  virtual ~VersionResources() = default;
  // 0 when the file has no version resource or cannot be read.
  virtual std::uint32_t infoSize(const std::string& file) = 0;
  // Loads the resource into `block`, which the caller sized with infoSize.
  virtual bool load(const std::string& file, std::vector<std::uint8_t>& block) = 0;
  // `subBlock` as VerQueryValueA takes it: "\", "\VarFileInfo\Translation",
  // "\StringFileInfo\040904E4\FileVersion". The result points into `block`;
  // for strings `length` counts characters with the terminating NUL.
  virtual bool query(std::vector<std::uint8_t>& block, const std::string& subBlock,
                     const std::uint8_t** data, std::uint32_t* length) = 0;
};

}  // namespace kl::platform
