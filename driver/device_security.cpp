#include "device_security.h"

namespace kl::driver {

namespace {

// S-1-5-32-544 and S-1-5-18, built by hand: SeExports and the SID routines
// are not needed for two constant SIDs.
struct TwoRidSid {
  UCHAR revision;
  UCHAR subAuthorityCount;
  UCHAR authority[6];
  ULONG subAuthority[2];
};

const TwoRidSid kAdministrators = {1, 2, {0, 0, 0, 0, 0, 5}, {32, 544}};
const TwoRidSid kLocalSystem = {1, 1, {0, 0, 0, 0, 0, 5}, {18, 0}};

// What an opener must be granted: reading and writing the card.
constexpr ACCESS_MASK kRegisterAccess = FILE_READ_DATA | FILE_WRITE_DATA;

}  // namespace

NTSTATUS initOpenerCheck(OpenerCheck* check) {
  auto* acl = reinterpret_cast<PACL>(check->acl);
  NTSTATUS status = RtlCreateAcl(acl, sizeof check->acl, ACL_REVISION);
  if (NT_SUCCESS(status)) {
    status = RtlAddAccessAllowedAce(acl, ACL_REVISION, FILE_ALL_ACCESS,
                                    const_cast<TwoRidSid*>(&kAdministrators));
  }
  if (NT_SUCCESS(status)) {
    status = RtlAddAccessAllowedAce(acl, ACL_REVISION, FILE_ALL_ACCESS,
                                    const_cast<TwoRidSid*>(&kLocalSystem));
  }
  if (NT_SUCCESS(status)) {
    status = RtlCreateSecurityDescriptor(check->descriptor, SECURITY_DESCRIPTOR_REVISION);
  }
  if (NT_SUCCESS(status)) {
    status = RtlSetDaclSecurityDescriptor(check->descriptor, TRUE, acl, FALSE);
  }
  return status;
}

NTSTATUS checkOpener(OpenerCheck* check, PIRP irp, bool acceptUnchecked) {
  if (irp->RequestorMode == KernelMode) return STATUS_SUCCESS;
  const PIO_STACK_LOCATION stack = IoGetCurrentIrpStackLocation(irp);
  const PIO_SECURITY_CONTEXT context = stack->Parameters.Create.SecurityContext;
  if (context == nullptr || context->AccessState == nullptr) {
    return acceptUnchecked ? STATUS_SUCCESS : STATUS_ACCESS_DENIED;
  }
  PSECURITY_SUBJECT_CONTEXT subject = &context->AccessState->SubjectSecurityContext;
  ACCESS_MASK granted = 0;
  NTSTATUS status = STATUS_ACCESS_DENIED;
  SeLockSubjectContext(subject);
  const BOOLEAN allowed =
      SeAccessCheck(check->descriptor, subject, TRUE, kRegisterAccess, 0, nullptr,
                    IoGetFileObjectGenericMapping(), UserMode, &granted, &status);
  SeUnlockSubjectContext(subject);
  return allowed ? STATUS_SUCCESS : STATUS_ACCESS_DENIED;
}

}  // namespace kl::driver
