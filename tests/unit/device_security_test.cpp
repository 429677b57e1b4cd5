// Who may open the r6probe device, for each way a create request arrives:
// from kernel mode, from a program of an administrator, of the system or of
// a limited user, and without a security context (as Wine's kernel sends
// it). Runs the driver's own check over a stand-in kernel (fake_kernel/)
// that evaluates the DACL the driver builds.
#include <gtest/gtest.h>

#include "device_security.h"

namespace kl::driver {
namespace {

using Sid = std::vector<UCHAR>;

Sid sid(std::vector<ULONG> subAuthorities, UCHAR authority = 5) {
  Sid s = {1, static_cast<UCHAR>(subAuthorities.size()), 0, 0, 0, 0, 0, authority};
  for (ULONG r : subAuthorities)
    for (int i = 0; i < 4; ++i) s.push_back(static_cast<UCHAR>(r >> (8 * i)));
  return s;
}

const Sid kEveryone = sid({0}, 1);
const Sid kUsers = sid({32, 545});
const Sid kPowerUsers = sid({32, 547});
const Sid kAdministrators = sid({32, 544});
const Sid kAuthenticatedUsers = sid({11});
const Sid kLocalSystem = sid({18});
// A domain group whose last RID is 544 too, and 544 under another authority.
const Sid kDomainRid544 = sid({21, 1004336348, 1177238915, 682003330, 544});
const Sid kOtherAuthority544 = sid({32, 544}, 16);

class OpenerCheckTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(STATUS_SUCCESS, initOpenerCheck(&check_));
    fake_kernel::calls = {};
    stack_.Parameters.Create.SecurityContext = &context_;
    context_.AccessState = &state_;
    irp_.RequestorMode = UserMode;
    irp_.CurrentStackLocation = &stack_;
  }
  NTSTATUS openAs(std::vector<Sid> groups, bool acceptUnchecked = false) {
    state_.SubjectSecurityContext.groups = std::move(groups);
    return checkOpener(&check_, &irp_, acceptUnchecked);
  }

  OpenerCheck check_;
  ACCESS_STATE state_;
  IO_SECURITY_CONTEXT context_{};
  IO_STACK_LOCATION stack_{};
  IRP irp_{};
};

TEST_F(OpenerCheckTest, AdministratorsAndTheSystemOpenTheDeviceForReadingAndWriting) {
  for (const auto& groups : {std::vector<Sid>{kEveryone, kUsers, kAdministrators},
                             std::vector<Sid>{kAdministrators}, std::vector<Sid>{kLocalSystem}}) {
    fake_kernel::calls = {};
    EXPECT_EQ(STATUS_SUCCESS, openAs(groups));
    EXPECT_EQ(1, fake_kernel::calls.accessChecks);
    EXPECT_EQ(static_cast<ACCESS_MASK>(FILE_READ_DATA | FILE_WRITE_DATA),
              fake_kernel::calls.desired);
    EXPECT_EQ(UserMode, fake_kernel::calls.mode) << "checked as the opener, not as the kernel";
    EXPECT_TRUE(fake_kernel::calls.lockedDuringCheck);
    EXPECT_EQ(0, state_.SubjectSecurityContext.locks) << "the subject context stays locked";
  }
}

TEST_F(OpenerCheckTest, EveryOtherUserIsRefusedWhateverTheWineFixtureAccepts) {
  const std::vector<std::vector<Sid>> others = {
      {kEveryone, kUsers, kAuthenticatedUsers},
      {kEveryone, kUsers, kPowerUsers},
      {kDomainRid544, kOtherAuthority544},
      {},
  };
  for (const auto& groups : others)
    for (bool acceptUnchecked : {false, true}) {
      EXPECT_EQ(STATUS_ACCESS_DENIED, openAs(groups, acceptUnchecked));
      EXPECT_EQ(0, state_.SubjectSecurityContext.locks);
    }
}

TEST_F(OpenerCheckTest, ARequestFromKernelModeIsNotChecked) {
  irp_.RequestorMode = KernelMode;
  EXPECT_EQ(STATUS_SUCCESS, openAs({kEveryone}));
  stack_.Parameters.Create.SecurityContext = nullptr;
  EXPECT_EQ(STATUS_SUCCESS, openAs({}));
  EXPECT_EQ(0, fake_kernel::calls.accessChecks);
}

TEST_F(OpenerCheckTest, ACreateWithoutSecurityContextOpensOnlyForTheWineFixture) {
  stack_.Parameters.Create.SecurityContext = nullptr;
  EXPECT_EQ(STATUS_ACCESS_DENIED, openAs({kAdministrators}));
  EXPECT_EQ(STATUS_SUCCESS, openAs({kAdministrators}, true));
  stack_.Parameters.Create.SecurityContext = &context_;
  context_.AccessState = nullptr;
  EXPECT_EQ(STATUS_ACCESS_DENIED, openAs({kAdministrators}));
  EXPECT_EQ(STATUS_SUCCESS, openAs({kAdministrators}, true));
  EXPECT_EQ(0, fake_kernel::calls.accessChecks);
}

}  // namespace
}  // namespace kl::driver
