#pragma once
// Reading a file's version resource: the whole resource is loaded into one
// block owned by the caller, and the fixed file information, the translation
// table and the string values are read from that block.
//
// Failures are kl::Error with these texts:
//   "Fixed file info not available"
//   "File info translations not available"
//   "Specified translation not available"
//   "Specified file info string not available"
// Every reader accepts "none" (a null block) and then raises its error, so a
// caller may pass the result of CreateFileInfo on without checking it.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/version_resources.h"

namespace kl::system {

// A loaded version resource. Only the service that loaded the bytes can
// interpret them, so the block remembers it.
struct FileInfo {
  platform::VersionResources& versions;
  std::vector<std::uint8_t> data;
};

// unique_ptr rather than optional: a block is a resource with one owner that
// is moved, never copied (a copy would silently duplicate the whole
// resource), and "none" is the null pointer, as the platform's own API has it.
using FileInfoBlock = std::unique_ptr<FileInfo>;

// None when the file does not exist, cannot be read or has no version
// resource. Reports nothing.
FileInfoBlock CreateFileInfo(platform::Platform& platform, const std::string& file);

// Releases the block and leaves none behind; none is accepted. Letting the
// block go out of scope does the same.
void FreeFileInfo(FileInfoBlock& block);

platform::FixedFileInfo GetFixedFileInfo(const FileInfoBlock& block);

// Entries in the translation table (its length in bytes divided by 4).
int GetFileInfoTranslationCount(const FileInfoBlock& block);

// Entry `index` of the translation table: the language in the low 16 bits and
// the code page in the high 16 bits. The index is compared unsigned, so a
// negative index is out of range like any other too large one.
std::uint32_t GetFileInfoTranslation(const FileInfoBlock& block, int index);

// The string value `name` of the language and code page of `translation`
// (an entry of the translation table).
std::string GetFileInfoString(const FileInfoBlock& block, std::uint32_t translation,
                              const std::string& name);

}  // namespace kl::system
