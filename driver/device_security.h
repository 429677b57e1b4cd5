#pragma once
// Who may open the r6probe device: administrators and the system only, so a
// program run by a limited user gains no register access. The I/O manager
// gives a named device object a default descriptor that lets everyone open it
// for reading, and every request carries read access only; so the create
// request itself checks the opener against a descriptor of our own.
#include "kernel_headers.h"

namespace kl::driver {

// A security descriptor whose DACL allows FILE_ALL_ACCESS to BUILTIN\Administrators
// and LocalSystem and nothing to anyone else. Lives in the device extension.
struct OpenerCheck {
  // An absolute SECURITY_DESCRIPTOR (20 bytes on i386, 40 on x86_64; its
  // type is in ntifs.h, which the driver does not include).
  alignas(void*) UCHAR descriptor[64];
  ULONG acl[16];  // the ACL and its two ACEs (52 bytes), ULONG-aligned
};

// Builds the descriptor in place; fails only on a malformed ACL.
NTSTATUS initOpenerCheck(OpenerCheck* check);

// STATUS_SUCCESS when the requester of an IRP_MJ_CREATE may open the device,
// STATUS_ACCESS_DENIED otherwise. A create without a security context is
// refused unless `acceptUnchecked` (the Wine test fixture: Wine's kernel
// passes none).
NTSTATUS checkOpener(OpenerCheck* check, PIRP irp, bool acceptUnchecked);

}  // namespace kl::driver
