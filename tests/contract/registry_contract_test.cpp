// Registry behaviour the program relies on, checked against the in-memory
// registry natively and against the real registry under Wine.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>

#include "contract_env.h"
#include "platform/error.h"
#include "platform/registry_access.h"

namespace kl::platform {
namespace {

class RegistryContract : public ::testing::Test {
 protected:
  void SetUp() override {
    env_ = contract::makeContractEnv();
    ASSERT_EQ(kErrorSuccess, reg().createKey(kHkeyCurrentUser, env_->scratchKey(),
                                             kKeyAllAccess, &key_));
  }
  void TearDown() override { reg().closeKey(key_); }

  Registry& reg() { return env_->registry(); }
  void setText(const std::string& name, const std::string& text) {
    ASSERT_EQ(kErrorSuccess,
              reg().setValue(key_, name, kRegSz, reinterpret_cast<const std::uint8_t*>(text.c_str()),
                             static_cast<std::uint32_t>(text.size() + 1)));
  }
  void setDword(const std::string& name, std::uint32_t v) {
    ASSERT_EQ(kErrorSuccess,
              reg().setValue(key_, name, kRegDword, reinterpret_cast<const std::uint8_t*>(&v), 4));
  }
  // An accessor positioned on the scratch key.
  std::unique_ptr<RegistryAccess> access() {
    auto a = std::make_unique<RegistryAccess>(reg(), kHkeyCurrentUser);
    EXPECT_TRUE(a->openKey(env_->scratchKey(), false));
    return a;
  }
  std::string errorOf(const std::function<void()>& f) {
    try {
      f();
    } catch (const Error& e) {
      return e.what();
    }
    return "(no error)";
  }

  std::unique_ptr<contract::ContractEnv> env_;
  HKey key_ = 0;
};

TEST_F(RegistryContract, TextSizesCountTheTerminatingNul) {
  setText("Name", "abc");
  setText("Empty", "");
  std::uint32_t type = 0, size = 0;
  ASSERT_EQ(kErrorSuccess, reg().queryValue(key_, "Name", &type, nullptr, &size));
  EXPECT_EQ(kRegSz, type);
  EXPECT_EQ(4u, size);
  ASSERT_EQ(kErrorSuccess, reg().queryValue(key_, "Empty", &type, nullptr, &size));
  EXPECT_EQ(1u, size);

  std::uint8_t small[2];
  size = sizeof small;
  EXPECT_EQ(kErrorMoreData, reg().queryValue(key_, "Name", &type, small, &size));
  EXPECT_EQ(4u, size);
}

TEST_F(RegistryContract, AbsentValueDiffersFromEmptyOne) {
  setText("Empty", "");
  EXPECT_EQ(kErrorFileNotFound, reg().queryValue(key_, "Missing", nullptr, nullptr, nullptr));
  auto a = access();
  EXPECT_TRUE(a->valueExists("Empty"));
  EXPECT_FALSE(a->valueExists("Missing"));
  EXPECT_EQ(1, a->getDataSize("Empty"));
  EXPECT_EQ(-1, a->getDataSize("Missing"));
  EXPECT_EQ("", a->readString("Empty"));
  EXPECT_EQ("", a->readString("Missing"));
}

TEST_F(RegistryContract, TypedReadsRaiseTheLibraryErrors) {
  setDword("VSync", 1);
  setText("Short", "1");
  setText("Long", "0123456789");
  auto a = access();
  EXPECT_EQ("Invalid data type for 'VSync'", errorOf([&] { a->readString("VSync"); }));
  EXPECT_EQ("Failed to get data for 'Missing'", errorOf([&] { a->readInteger("Missing"); }));
  // A text that fits the four bytes is read, then refused for its type; a
  // longer one does not fit at all.
  EXPECT_EQ("Invalid data type for 'Short'", errorOf([&] { a->readInteger("Short"); }));
  EXPECT_EQ("Failed to get data for 'Long'", errorOf([&] { a->readInteger("Long"); }));
  EXPECT_EQ(1, a->readInteger("VSync"));
  std::uint8_t buf[8];
  EXPECT_EQ("Invalid data type for 'VSync'", errorOf([&] { a->readBinaryData("VSync", buf, 8); }));
}

TEST_F(RegistryContract, DwordAndBinaryRoundTrip) {
  auto a = access();
  a->writeInteger("Neg", -1);
  EXPECT_EQ(-1, a->readInteger("Neg"));
  EXPECT_EQ(RegDataType::Integer, a->getDataType("Neg"));
  const std::uint8_t rotation[] = {0x01, 0x07};
  a->writeBinaryData("Rotation", rotation, 2);
  a->writeBinaryData("Nothing", rotation, 0);
  std::uint8_t back[4] = {};
  EXPECT_EQ(2, a->readBinaryData("Rotation", back, sizeof back));
  EXPECT_EQ(0, std::memcmp(back, rotation, 2));
  EXPECT_EQ(0, a->getDataSize("Nothing"));
  EXPECT_EQ(RegDataType::Binary, a->getDataType("Nothing"));
}

TEST_F(RegistryContract, NamesCompareWithoutCase) {
  HKey sub = 0;
  ASSERT_EQ(kErrorSuccess, reg().createKey(key_, "OpenGL\\Private", kKeyAllAccess, &sub));
  reg().closeKey(sub);
  ASSERT_EQ(kErrorSuccess, reg().openKey(key_, "OPENGL\\private", kKeyRead, &sub));
  reg().closeKey(sub);
  setDword("VSync", 2);
  std::uint32_t v = 0, size = 4;
  ASSERT_EQ(kErrorSuccess,
            reg().queryValue(key_, "vsync", nullptr, reinterpret_cast<std::uint8_t*>(&v), &size));
  EXPECT_EQ(2u, v);
  setDword("VSYNC", 3);  // the same value, not a second one
  KeyInfo info;
  ASSERT_EQ(kErrorSuccess, reg().queryInfoKey(key_, &info));
  EXPECT_EQ(1u, info.values);
  std::string name;
  ASSERT_EQ(kErrorSuccess, reg().enumKey(key_, 0, &name));
  EXPECT_EQ("OpenGL", name);  // keeps the case it was created with
}

TEST_F(RegistryContract, SubkeysEnumerateInNameOrder) {
  for (const char* n : {"b", "C", "a"}) {
    HKey sub = 0;
    ASSERT_EQ(kErrorSuccess, reg().createKey(key_, n, kKeyAllAccess, &sub));
    reg().closeKey(sub);
  }
  std::string name, order;
  for (std::uint32_t i = 0; reg().enumKey(key_, i, &name) == kErrorSuccess; ++i) order += name;
  EXPECT_EQ("abC", order);
  EXPECT_EQ(kErrorNoMoreItems, reg().enumKey(key_, 3, &name));
}

TEST_F(RegistryContract, KeyWithSubkeysCannotBeDeletedDirectly) {
  HKey sub = 0;
  ASSERT_EQ(kErrorSuccess, reg().createKey(key_, "Desktop\\000", kKeyAllAccess, &sub));
  reg().closeKey(sub);
  EXPECT_NE(kErrorSuccess, reg().deleteKey(key_, "Desktop"));
  EXPECT_EQ(kErrorSuccess, reg().openKey(key_, "Desktop\\000", kKeyRead, &sub));
  reg().closeKey(sub);
  EXPECT_EQ(kErrorFileNotFound, reg().deleteKey(key_, "Missing"));

  auto a = access();
  EXPECT_TRUE(a->deleteKey("Desktop"));  // the accessor removes the whole tree
  EXPECT_EQ(kErrorFileNotFound, reg().openKey(key_, "Desktop", kKeyRead, &sub));
}

TEST_F(RegistryContract, OpeningAndCreatingPaths) {
  HKey sub = 0;
  EXPECT_EQ(kErrorFileNotFound, reg().openKey(key_, "A\\B", kKeyRead, &sub));
  ASSERT_EQ(kErrorSuccess, reg().createKey(key_, "A\\B\\C", kKeyAllAccess, &sub));
  reg().closeKey(sub);
  ASSERT_EQ(kErrorSuccess, reg().openKey(key_, "A\\B\\", kKeyRead, &sub));
  reg().closeKey(sub);
  // An empty path opens the key itself.
  ASSERT_EQ(kErrorSuccess, reg().openKey(key_, "", kKeyRead, &sub));
  KeyInfo info;
  ASSERT_EQ(kErrorSuccess, reg().queryInfoKey(sub, &info));
  EXPECT_EQ(1u, info.subKeys);
  reg().closeKey(sub);
  EXPECT_NE(kErrorSuccess, reg().openKey(key_, "\\A", kKeyRead, &sub));
}

TEST_F(RegistryContract, WritesNeedWriteAccess) {
  HKey readOnly = 0;
  ASSERT_EQ(kErrorSuccess, reg().openKey(kHkeyCurrentUser, env_->scratchKey(), kKeyRead, &readOnly));
  const std::uint32_t v = 1;
  EXPECT_EQ(kErrorAccessDenied,
            reg().setValue(readOnly, "X", kRegDword, reinterpret_cast<const std::uint8_t*>(&v), 4));
  reg().closeKey(readOnly);

  RegistryAccess unopened(reg(), kHkeyCurrentUser);
  EXPECT_EQ("Failed to set data for 'X'", errorOf([&] { unopened.writeString("X", "1"); }));
  EXPECT_EQ(kErrorFileNotFound, reg().deleteValue(key_, "Missing"));
}

TEST_F(RegistryContract, ValuesEnumerateWithTypeAndData) {
  setText("Name", "abc");
  setText("", "default");
  setDword("VSync", 0x01020304u);
  const std::vector<std::uint8_t> big(5000, 0x5A);  // past any first guess of a buffer
  const std::string longName(300, 'n');
  ASSERT_EQ(kErrorSuccess, reg().setValue(key_, longName, kRegBinary, big.data(),
                                          static_cast<std::uint32_t>(big.size())));
  ASSERT_EQ(kErrorSuccess, reg().setValue(key_, "Nothing", kRegBinary, nullptr, 0));

  using Entry = std::tuple<std::string, std::uint32_t, std::vector<std::uint8_t>>;
  std::vector<Entry> seen;
  std::string name;
  std::uint32_t type = 0;
  std::vector<std::uint8_t> data;
  std::uint32_t i = 0;
  for (; reg().enumValue(key_, i, &name, &type, &data) == kErrorSuccess; ++i)
    seen.emplace_back(name, type, data);
  EXPECT_EQ(kErrorNoMoreItems, reg().enumValue(key_, i, &name, &type, &data));
  // The order is the registry's own: compare as a set.
  std::sort(seen.begin(), seen.end());
  const std::vector<Entry> expected = {
      {"", kRegSz, {'d', 'e', 'f', 'a', 'u', 'l', 't', 0}},
      {"Name", kRegSz, {'a', 'b', 'c', 0}},
      {"Nothing", kRegBinary, {}},
      {"VSync", kRegDword, {0x04, 0x03, 0x02, 0x01}},
      {longName, kRegBinary, big},
  };
  EXPECT_EQ(expected, seen);
}

TEST_F(RegistryContract, EnumeratingValuesNeedsQueryAccess) {
  setText("Name", "abc");
  HKey key = 0;
  ASSERT_EQ(kErrorSuccess, reg().openKey(kHkeyCurrentUser, env_->scratchKey(), kKeyRead, &key));
  std::string name;
  std::uint32_t type = 0;
  std::vector<std::uint8_t> data;
  EXPECT_EQ(kErrorSuccess, reg().enumValue(key, 0, &name, &type, &data));
  reg().closeKey(key);
  ASSERT_EQ(kErrorSuccess,
            reg().openKey(kHkeyCurrentUser, env_->scratchKey(), kKeyEnumerateSubKeys, &key));
  EXPECT_EQ(kErrorAccessDenied, reg().enumValue(key, 0, &name, &type, &data));
  reg().closeKey(key);
}

}  // namespace
}  // namespace kl::platform
