#pragma once
// What the contract cases run against: the in-memory registry and our INI
// engine natively, the real functions in the Windows test program.
#include <memory>
#include <string>

#include "platform/files.h"
#include "platform/profile_files.h"
#include "platform/registry.h"

namespace kl::contract {

class ContractEnv {
 public:
  virtual ~ContractEnv() = default;
  virtual platform::Registry& registry() = 0;
  virtual platform::ProfileFiles& profiles() = 0;
  virtual platform::Files& files() = 0;
  // A fresh, empty key below HKEY_CURRENT_USER for one test; removed after.
  virtual std::string scratchKey() const = 0;
  // A fresh folder for one test's files, with a trailing separator; removed
  // after with everything in it.
  virtual std::string scratchFolder() const = 0;
  // A file with the contents of `file` that the user cannot write: `file`
  // itself marked read-only the way the platform does, or, where the platform
  // does not enforce that (Wine run as root writes regardless), a file the
  // test run made unwritable beforehand. Empty when there is none.
  virtual std::string makeReadOnly(const std::string& file) = 0;
};

std::unique_ptr<ContractEnv> makeContractEnv();

}  // namespace kl::contract
