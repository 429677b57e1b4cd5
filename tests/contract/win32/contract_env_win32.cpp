#include <windows.h>

#include <cstdlib>
#include <string>

#include "contract_env.h"
#include "platform/registry_access.h"
#include "platform/win32/win32_files.h"
#include "platform/win32/win32_profile_files.h"
#include "platform/win32/win32_registry.h"

namespace kl::contract {
namespace {

class Win32Env : public ContractEnv {
 public:
  Win32Env() {
    static unsigned serial = 0;
    const std::string unique =
        std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++serial);
    key_ = "Software\\KlContract\\" + unique;
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    folder_ = std::string(temp) + "kl-contract-" + unique + "\\";
    CreateDirectoryA(folder_.c_str(), nullptr);
  }
  ~Win32Env() override {
    platform::RegistryAccess reg(registry_, platform::kHkeyCurrentUser);
    reg.deleteKey("Software\\KlContract");
    removeFolder();
  }
  platform::Registry& registry() override { return registry_; }
  platform::ProfileFiles& profiles() override { return ini_; }
  platform::Files& files() override { return files_; }
  std::string scratchKey() const override { return key_; }
  std::string scratchFolder() const override { return folder_; }
  // Wine run as root maps the attribute to permission bits that root
  // ignores; the test run then offers an immutable file of the same contents
  // (KL_READONLY_PROFILE, made by tests/wine/run.sh).
  std::string makeReadOnly(const std::string& file) override {
    SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_READONLY);
    if (!writable(file)) return file;
    const char* offered = std::getenv("KL_READONLY_PROFILE");
    return offered && *offered && !writable(offered) ? offered : "";
  }

 private:
  static bool writable(const std::string& file) {
    HANDLE probe = CreateFileA(file.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (probe == INVALID_HANDLE_VALUE) return false;
    CloseHandle(probe);
    return true;
  }
  void removeFolder() { removeTree(folder_); }

  // `folder` ends with a backslash.
  static void removeTree(const std::string& folder) {
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
      do {
        const std::string name = found.cFileName;
        if (name == "." || name == "..") continue;
        const std::string path = folder + name;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
          removeTree(path + "\\");
          continue;
        }
        SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileA(path.c_str());
      } while (FindNextFileA(search, &found));
      FindClose(search);
    }
    RemoveDirectoryA(folder.c_str());
  }

  platform::Win32Registry registry_;
  platform::Win32ProfileFiles ini_;
  platform::Win32Files files_;
  std::string key_;
  std::string folder_;
};

}  // namespace

std::unique_ptr<ContractEnv> makeContractEnv() { return std::make_unique<Win32Env>(); }

}  // namespace kl::contract
