#include "system/FileInfo.h"

#include <algorithm>
#include <cstring>

#include "platform/error.h"
#include "platform/text_util.h"

namespace kl::system {
namespace {

const char kTranslationPath[] = "\\VarFileInfo\\Translation";

struct QueryResult {
  const std::uint8_t* data = nullptr;
  std::uint32_t length = 0;
};

bool query(const FileInfoBlock& block, const std::string& path, QueryResult* result) {
  if (!block) return false;
  return block->versions.query(block->data, path, &result->data, &result->length);
}

QueryResult translationTable(const FileInfoBlock& block) {
  QueryResult table;
  if (!query(block, kTranslationPath, &table)) throw Error("File info translations not available");
  return table;
}

// Bytes of the block from `at` to its end: the most a reported length may
// cover, so a damaged resource cannot make us read past the block.
std::size_t bytesLeft(const FileInfo& block, const std::uint8_t* at) {
  const std::uint8_t* begin = block.data.data();
  const std::uint8_t* end = begin + block.data.size();
  return at >= begin && at <= end ? static_cast<std::size_t>(end - at) : 0;
}

}  // namespace

FileInfoBlock CreateFileInfo(platform::Platform& platform, const std::string& file) {
  const std::uint32_t size = platform.versions.infoSize(file);
  if (size == 0) return nullptr;
  auto block =
      std::make_unique<FileInfo>(FileInfo{platform.versions, std::vector<std::uint8_t>(size)});
  if (!platform.versions.load(file, block->data)) return nullptr;
  return block;
}

void FreeFileInfo(FileInfoBlock& block) { block.reset(); }

platform::FixedFileInfo GetFixedFileInfo(const FileInfoBlock& block) {
  QueryResult fixed;
  if (!query(block, "\\", &fixed) || fixed.length < sizeof(platform::FixedFileInfo) ||
      bytesLeft(*block, fixed.data) < sizeof(platform::FixedFileInfo))
    throw Error("Fixed file info not available");
  platform::FixedFileInfo info;
  std::memcpy(&info, fixed.data, sizeof info);  // the record need not be aligned
  return info;
}

int GetFileInfoTranslationCount(const FileInfoBlock& block) {
  return static_cast<int>(translationTable(block).length / 4);
}

std::uint32_t GetFileInfoTranslation(const FileInfoBlock& block, int index) {
  const QueryResult table = translationTable(block);
  // The offset must lie below the table length. Computed in 64 bits: in 32
  // bits an index of 0x40000000 would wrap to offset 0 and give the first
  // entry. Asking for the whole entry inside the table also refuses the
  // partial entry at the end of a table whose length is not a multiple of 4.
  const std::uint64_t offset = std::uint64_t{static_cast<std::uint32_t>(index)} * 4;
  if (offset + 4 > table.length || offset + 4 > bytesLeft(*block, table.data))
    throw Error("Specified translation not available");
  const std::uint8_t* entry = table.data + offset;
  return entry[0] | entry[1] << 8 | entry[2] << 16 | std::uint32_t{entry[3]} << 24;
}

std::string GetFileInfoString(const FileInfoBlock& block, std::uint32_t translation,
                              const std::string& name) {
  const std::string langCodePage =
      platform::formatText("%04X%04X", translation & 0xFFFFu, translation >> 16);
  QueryResult value;
  if (!query(block, std::string("\\StringFileInfo\\") + langCodePage + "\\" + name, &value))
    throw Error("Specified file info string not available");
  // The reported length counts the terminating NUL, which is no part of the text.
  const char* text = reinterpret_cast<const char*>(value.data);
  const std::size_t length = std::min<std::size_t>(value.length, bytesLeft(*block, value.data));
  if (length == 0) return std::string();
  const void* nul = std::memchr(text, '\0', length);
  return std::string(text, nul ? static_cast<const char*>(nul) - text : length);
}

}  // namespace kl::system
