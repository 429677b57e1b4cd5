#pragma once
// An in-memory registry that behaves like Windows in everything the program
// can observe: REG_SZ sizes include the NUL, a missing value differs from an
// empty one, names compare case-insensitively, keys with subkeys cannot be
// deleted directly, handles opened for reading cannot write.
//
// For tests it can also refuse write access below chosen roots (a user
// without administrator rights on HKEY_LOCAL_MACHINE) and fail the n-th write.
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "platform/registry.h"
#include "platform/sim/write_faults.h"

namespace kl::platform {

class MemoryRegistry : public Registry {
 public:
  MemoryRegistry();
  ~MemoryRegistry() override;

  Status openKey(HKey parent, const std::string& path, std::uint32_t access,
                 HKey* result) override;
  Status createKey(HKey parent, const std::string& path, std::uint32_t access,
                   HKey* result) override;
  Status queryValue(HKey key, const std::string& name, std::uint32_t* type,
                    std::uint8_t* data, std::uint32_t* size) override;
  Status setValue(HKey key, const std::string& name, std::uint32_t type,
                  const std::uint8_t* data, std::uint32_t size) override;
  Status deleteValue(HKey key, const std::string& name) override;
  Status deleteKey(HKey parent, const std::string& path) override;
  Status enumKey(HKey key, std::uint32_t index, std::string* name) override;
  Status enumValue(HKey key, std::uint32_t index, std::string* name, std::uint32_t* type,
                   std::vector<std::uint8_t>* data) override;
  Status queryInfoKey(HKey key, KeyInfo* info) override;
  Status closeKey(HKey key) override;

  // Opening a key below `root` with any write right gives ERROR_ACCESS_DENIED.
  void setReadOnly(HKey root, bool readOnly);
  // The n-th setValue from now (1 = the next) fails once with
  // ERROR_ACCESS_DENIED; 0 cancels a pending failure.
  void failWrite(unsigned n);
  // Every write of a value of this name (in any key) fails with
  // ERROR_ACCESS_DENIED; an empty name ends that.
  void refuseWritesOf(const std::string& valueName);
  // Every write from now on (value set and deleted, key created and
  // deleted) is counted by `faults` and fails when it says so; null: none.
  // Logged as "registry set HKLM\path\name = sz text" (or dword / binary
  // with hex bytes), "registry delete value HKLM\path\name",
  // "registry create key HKLM\path" and "registry delete key HKLM\path",
  // with the names as first created.
  void setWriteFaults(WriteFaults* faults) { faults_ = faults; }
  // Successful value writes (setValue) so far.
  unsigned writeCount() const { return writes_; }
  // Handles currently open (predefined roots excluded): a leak check.
  std::size_t openHandles() const { return handles_.size(); }

  // REGEDIT4 text: load merges into the registry (supports "[-key]" and
  // "name"=- deletions); save writes every key below the four roots with the
  // program's REGEDIT4 writer (platform/regedit4.h), with "\n" line ends.
  // load throws kl::Error naming the line on malformed input.
  void loadRegedit4(const std::string& text);
  std::string saveRegedit4();

  struct Value {
    std::string name;
    std::uint32_t type = kRegNone;
    std::vector<std::uint8_t> data;
  };
  struct Node;

 private:
  struct Handle {
    HKey root;
    std::vector<std::string> path;  // folded names from the root
    std::uint32_t access;
  };

  Node* rootNode(HKey root) const;
  Node* resolve(const Handle& h) const;
  bool handleFor(HKey key, Handle* out) const;
  Status open(HKey parent, const std::string& path, std::uint32_t access, bool create,
              HKey* result);
  Status checkWrite(const Handle& h, bool* failNow);
  std::string keyText(HKey root, const std::vector<std::string>& path) const;
  bool admit(const std::string& what) { return !faults_ || faults_->admit("registry " + what); }

  std::map<HKey, std::unique_ptr<Node>> roots_;
  std::map<HKey, Handle> handles_;
  std::set<HKey> readOnlyRoots_;
  HKey nextHandle_ = 0x1000;
  unsigned failAt_ = 0;
  std::string refusedValue_;
  unsigned writes_ = 0;
  WriteFaults* faults_ = nullptr;
};

}  // namespace kl::platform
