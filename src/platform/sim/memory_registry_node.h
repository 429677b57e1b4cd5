#pragma once
// The tree behind MemoryRegistry; shared by the registry and its REGEDIT4
// reader and writer.
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/sim/memory_registry.h"

namespace kl::platform {

struct MemoryRegistry::Node {
  std::string name;  // as first created
  std::map<std::string, std::unique_ptr<Node>> children;  // by folded name
  std::vector<Value> values;  // in creation order

  Node* child(const std::string& folded) const {
    const auto it = children.find(folded);
    return it == children.end() ? nullptr : it->second.get();
  }
  Value* value(const std::string& name);
};

}  // namespace kl::platform
