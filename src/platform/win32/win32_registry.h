#pragma once
#include "platform/registry.h"

namespace kl::platform {

// The real registry: each call is the advapi32 function of the same name.
class Win32Registry : public Registry {
 public:
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
};

}  // namespace kl::platform
