#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "contract_env.h"
#include "platform/sim/ini_engine.h"
#include "platform/sim/memory_registry.h"
#include "platform/sim/native_files.h"

namespace kl::contract {
namespace {

class NativeEnv : public ContractEnv {
 public:
  NativeEnv() {
    char pattern[] = "/tmp/kl-contract-XXXXXX";
    folder_ = mkdtemp(pattern);
  }
  ~NativeEnv() override { std::filesystem::remove_all(folder_); }
  platform::Registry& registry() override { return registry_; }
  platform::ProfileFiles& profiles() override { return ini_; }
  platform::Files& files() override { return files_; }
  std::string scratchKey() const override { return "Software\\KlContract"; }
  std::string scratchFolder() const override { return folder_ + "/"; }
  std::string makeReadOnly(const std::string& file) override {
    // Our engine honours the permission bits even for root.
    return chmod(file.c_str(), 0444) == 0 ? file : std::string();
  }

 private:
  platform::MemoryRegistry registry_;
  platform::IniEngine ini_;
  platform::NativeFiles files_;
  std::string folder_;
};

}  // namespace

std::unique_ptr<ContractEnv> makeContractEnv() { return std::make_unique<NativeEnv>(); }

}  // namespace kl::contract
