#pragma once
// The binding of setting controls to driver values: catalogues of rows, the
// TReg of each row, and the generic create, save and load routines that walk
// a catalogue in the registry ("Register") or in a profile file ("Profile").
//
// Every stored value travels as text: the text family's own text, or the
// decimal text of a DWORD or binary-flag number. "-1" means not set.
#include <memory>
#include <string>
#include <vector>

#include "settings/C_RegKey.h"

namespace kl::ui {
class CheckBox;
}

namespace kl::settings {

class SettingPages;

// The seven binding groups, in the order start-up and Apply run them.
enum class Group { DirectX, DirectXAdvanced, OpenGL, OpenGLPrivate, DVD, Desktop, DriverTabs };
constexpr std::size_t kGroupCount = 7;

enum class Family { Text, Dword, BinaryFlag };
enum class Sense { Direct, Inverted };

// What a save does with one binding: store a text, clear the value (delete
// it, or "-1" in a profile), or leave the stored value as it is.
struct SaveAction {
  enum class Kind { Store, Clear, Skip };
  Kind kind = Kind::Skip;
  std::string text;  // for Store

  static SaveAction store(std::string text) { return {Kind::Store, std::move(text)}; }
  static SaveAction clear() { return {Kind::Clear, {}}; }
  static SaveAction skip() { return {Kind::Skip, {}}; }
};

// A value control's mapping to its stored text. Check-box rows have none.
struct ValueRule {
  SaveAction (*save)(SettingPages& pages);
  // Sets the controls from the stored text, "-1" when not set.
  void (*load)(SettingPages& pages, const std::string& stored);
};

struct BindingRow {
  const char* control;    // the check box, or the value control, on its page
  const char* role;       // "D3D", "OGL", "OGLP" or "Driver"
  const char* valueName;  // registry value and profile key
  Sense sense = Sense::Direct;
  const ValueRule* rule = nullptr;
};

struct Catalogue {
  const char* section;  // profile section
  Family family;
  std::vector<BindingRow> rows;  // in save order
  // Value names in load order, where it differs from the save order.
  std::vector<const char*> loadOrder;
};

// One setting's binding: its driver value and the name it is stored under.
struct TReg {
  std::shared_ptr<const TRegKey> key;
  std::string name;
  // The check box of a check-box row, found once when the binding is made.
  ui::CheckBox* box = nullptr;
};

using GroupBindings = std::vector<TReg>;  // in catalogue row order

// Each runs in the pass of its caller, or in one of its own (SettingPages::Pass).
// The registry's save and load first point the bindings at the keys of the
// pass.
void createGroup(SettingPages& pages, const Catalogue& catalogue, GroupBindings& bindings);
void saveGroup(SettingPages& pages, const Catalogue& catalogue, GroupBindings& bindings,
               const std::string& mode, const std::string& fileName);
void loadGroup(SettingPages& pages, const Catalogue& catalogue, GroupBindings& bindings,
               const std::string& mode, const std::string& fileName);

// The platform library's StrToInt: raises "'%s' is not a valid integer value".
int textToInt(const std::string& text);

}  // namespace kl::settings
