#pragma once
// The mingw-w64 DDK headers, included the one way that compiles as C++ for a
// Windows 2000 target:
// - wdm.h defines the two bit-test intrinsics itself, and in C++ they clash
//   with the copies of intrin.h; marking those as defined keeps wdm.h's.
// - wdm.h tests NTDDI_WINVISTA, which sdkddkver.h does not define (it names
//   the version NTDDI_VISTA); undefined, the test passes on any target and
//   pulls in a structure that is only declared for Vista and later.
// ntddk.h adds the HAL's bus-data functions; the two ACL routines of ntifs.h
// are declared here rather than pulling in all of ntifs.h.
#define __INTRINSIC_DEFINED_InterlockedBitTestAndSet
#define __INTRINSIC_DEFINED_InterlockedBitTestAndReset
#ifndef NTDDI_WINVISTA
#define NTDDI_WINVISTA 0x06000000
#endif
#include <ddk/ntddk.h>

extern "C" {
NTSYSAPI NTSTATUS NTAPI RtlCreateAcl(PACL Acl, ULONG AclLength, ULONG AclRevision);
NTSYSAPI NTSTATUS NTAPI RtlAddAccessAllowedAce(PACL Acl, ULONG AceRevision, ACCESS_MASK AccessMask,
                                               PSID Sid);
}
