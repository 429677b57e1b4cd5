// REGEDIT4 text for the in-memory registry: the same format seeds the Wine
// prefixes, so a fixture can be loaded into either registry. Saving uses the
// program's own writer, the one that writes the driver-key backup.
#include "platform/regedit4.h"

#include "platform/sim/memory_registry.h"
#include "platform/sim/memory_registry_node.h"

namespace kl::platform {

void MemoryRegistry::loadRegedit4(const std::string& text) {
  // Loading a fixture is not part of what a test observes: however the load
  // ends, also on malformed text, the write counters are as they were, no
  // write of the load was logged or could be made to fail, and no key stays
  // open.
  struct Restore {
    MemoryRegistry& registry;
    unsigned writes, failAt;
    WriteFaults* faults;
    ~Restore() {
      registry.writes_ = writes;
      registry.failAt_ = failAt;
      registry.faults_ = faults;
    }
  } restore{*this, writes_, failAt_, faults_};
  failAt_ = 0;
  faults_ = nullptr;
  importRegedit4(*this, parseRegedit4(text));
}

std::string MemoryRegistry::saveRegedit4() {
  Regedit4Writer writer(*this, LineEnd::Lf);
  for (const HKey root : kRegedit4Roots)
    for (const auto& [folded, child] : rootNode(root)->children) writer.addKey(root, child->name);
  return writer.text();
}

}  // namespace kl::platform
