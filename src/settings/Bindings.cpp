#include "settings/Bindings.h"

#include "platform/error.h"
#include "platform/profile_files.h"
#include "settings/DriverKey.h"
#include "settings/SettingPages.h"

namespace kl::settings {
namespace {

// Where a group's values live: the registry, or one section of a profile.
class Storage {
 public:
  virtual ~Storage() = default;
  virtual std::string read(const TReg& reg) = 0;
  virtual void write(const TReg& reg, const std::string& text) = 0;
  virtual void clear(const TReg& reg) = 0;
};

class RegistryStorage : public Storage {
 public:
  explicit RegistryStorage(Family family) : family_(family) {}
  std::string read(const TReg& reg) override {
    switch (family_) {
      case Family::Text:
        return reg.key->ReadString();
      case Family::Dword:
        return std::to_string(reg.key->ReadInteger());
      case Family::BinaryFlag:
        return std::to_string(reg.key->ReadBinaryFlag());
    }
    return "-1";
  }
  void write(const TReg& reg, const std::string& text) override {
    const std::string& path = reg.key->GetPath();
    switch (family_) {
      case Family::Text:
        return reg.key->WriteString(path, reg.name, text);
      case Family::Dword:
        return reg.key->WriteInteger(path, reg.name, textToInt(text));
      case Family::BinaryFlag:
        return reg.key->WriteBinaryFlag(reg.name, textToInt(text));
    }
  }
  void clear(const TReg& reg) override { reg.key->DeleteValue(reg.key->GetPath(), reg.name); }

 private:
  Family family_;
};

class ProfileStorage : public Storage {
 public:
  ProfileStorage(platform::ProfileFiles& files, const std::string& file, const Catalogue& c)
      : ini_(files, file), section_(c.section), family_(c.family) {}
  std::string read(const TReg& reg) override {
    if (family_ == Family::Text) return ini_.readString(section_, reg.name, "-1");
    return std::to_string(ini_.readInteger(section_, reg.name, -1));
  }
  void write(const TReg& reg, const std::string& text) override {
    ini_.writeString(section_, reg.name, text);
  }
  void clear(const TReg& reg) override { ini_.writeString(section_, reg.name, "-1"); }

 private:
  platform::IniFile ini_;
  std::string section_;
  Family family_;
};

// Points every binding at its role's key of the running pass; a binding
// keeps its key while the path stays the same.
void refreshKeys(SettingPages& pages, const Catalogue& c, GroupBindings& bindings) {
  DriverKeyPaths& paths = pages.keyPaths();
  for (std::size_t i = 0; i < c.rows.size() && i < bindings.size(); ++i) {
    const std::string& path = paths.of(c.rows[i].role);
    if (bindings[i].key->GetPath() != path)
      bindings[i].key =
          std::make_shared<TRegKey>(pages.platform().registry, path, c.rows[i].valueName);
  }
}

// The registry's storage asks the pass for the keys first: a change of the
// driver key reaches every binding. A profile needs no key.
std::unique_ptr<Storage> storageFor(SettingPages& pages, const Catalogue& c,
                                    GroupBindings& bindings, const std::string& mode,
                                    const std::string& fileName) {
  if (mode == "Profile")
    return std::make_unique<ProfileStorage>(pages.platform().profiles, fileName, c);
  refreshKeys(pages, c, bindings);
  return std::make_unique<RegistryStorage>(c.family);
}

// The tri-state rule: checked and unchecked store their number, grayed clears.
SaveAction checkBoxAction(const ui::CheckBox& box, Sense sense) {
  const char* on = sense == Sense::Direct ? "1" : "0";
  const char* off = sense == Sense::Direct ? "0" : "1";
  switch (box.state()) {
    case ui::CheckState::Checked:
      return SaveAction::store(on);
    case ui::CheckState::Unchecked:
      return SaveAction::store(off);
    case ui::CheckState::Grayed:
      break;
  }
  return SaveAction::clear();
}

ui::CheckState checkBoxState(const std::string& stored, Sense sense) {
  if (stored == "-1") return ui::CheckState::Grayed;
  return stored == (sense == Sense::Direct ? "1" : "0") ? ui::CheckState::Checked
                                                        : ui::CheckState::Unchecked;
}

void loadRow(SettingPages& pages, const BindingRow& row, const TReg& reg,
             const std::string& stored) {
  if (row.rule)
    row.rule->load(pages, stored);
  else
    reg.box->setState(checkBoxState(stored, row.sense));
}

}  // namespace

int textToInt(const std::string& text) {
  const auto value = platform::parseInteger(text);
  if (!value) throw Error("'" + text + "' is not a valid integer value");
  return static_cast<int>(*value);
}

void createGroup(SettingPages& pages, const Catalogue& catalogue, GroupBindings& bindings) {
  SettingPages::Pass pass(pages);
  DriverKeyPaths& paths = pages.keyPaths();
  bindings.clear();
  for (const BindingRow& row : catalogue.rows) {
    const std::string& path = paths.of(row.role);
    bindings.push_back(
        TReg{std::make_shared<TRegKey>(pages.platform().registry, path, row.valueName), "",
             row.rule ? nullptr : &pages.checkBox(row.control)});
  }
  for (std::size_t i = 0; i < bindings.size(); ++i) bindings[i].name = catalogue.rows[i].valueName;
}

void saveGroup(SettingPages& pages, const Catalogue& catalogue, GroupBindings& bindings,
               const std::string& mode, const std::string& fileName) {
  SettingPages::Pass pass(pages);
  auto storage = storageFor(pages, catalogue, bindings, mode, fileName);
  for (std::size_t i = 0; i < catalogue.rows.size() && i < bindings.size(); ++i) {
    const BindingRow& row = catalogue.rows[i];
    const SaveAction action =
        row.rule ? row.rule->save(pages) : checkBoxAction(*bindings[i].box, row.sense);
    switch (action.kind) {
      case SaveAction::Kind::Store:
        storage->write(bindings[i], action.text);
        break;
      case SaveAction::Kind::Clear:
        storage->clear(bindings[i]);
        break;
      case SaveAction::Kind::Skip:
        break;
    }
  }
}

void loadGroup(SettingPages& pages, const Catalogue& catalogue, GroupBindings& bindings,
               const std::string& mode, const std::string& fileName) {
  SettingPages::Pass pass(pages);
  auto storage = storageFor(pages, catalogue, bindings, mode, fileName);
  const auto loadAt = [&](std::size_t i) {
    if (i < bindings.size())
      loadRow(pages, catalogue.rows[i], bindings[i], storage->read(bindings[i]));
  };
  if (catalogue.loadOrder.empty()) {
    for (std::size_t i = 0; i < catalogue.rows.size(); ++i) loadAt(i);
    return;
  }
  for (const char* name : catalogue.loadOrder)
    for (std::size_t i = 0; i < catalogue.rows.size(); ++i)
      if (std::string(catalogue.rows[i].valueName) == name) loadAt(i);
}

}  // namespace kl::settings
