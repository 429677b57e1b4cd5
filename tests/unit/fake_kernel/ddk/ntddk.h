#pragma once
// A stand-in for the DDK's ntddk.h in the native unit tests: the few kernel
// types and routines the r6probe device's opener check uses. The ACL and the
// security descriptor are laid out as the kernel lays them out (an ACL header,
// then ACCESS_ALLOWED_ACEs each followed by its SID), and SeAccessCheck walks
// that DACL as the kernel's does for allow entries, against the groups of the
// subject context a test sets up. Every call is recorded for the tests.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#define NTAPI
#define NTSYSAPI

typedef unsigned char UCHAR;
typedef unsigned short USHORT;
typedef std::uint32_t ULONG;
typedef UCHAR BOOLEAN;
typedef ULONG ACCESS_MASK;
typedef ACCESS_MASK* PACCESS_MASK;
typedef std::int32_t NTSTATUS;
typedef NTSTATUS* PNTSTATUS;
typedef void* PSID;
typedef void* PSECURITY_DESCRIPTOR;
typedef char KPROCESSOR_MODE;

#define TRUE 1
#define FALSE 0
#define NT_SUCCESS(status) (static_cast<NTSTATUS>(status) >= 0)
#define STATUS_SUCCESS static_cast<NTSTATUS>(0x00000000)
#define STATUS_ACCESS_DENIED static_cast<NTSTATUS>(0xC0000022)
#define STATUS_BUFFER_TOO_SMALL static_cast<NTSTATUS>(0xC0000023)
#define STATUS_ALLOTTED_SPACE_EXCEEDED static_cast<NTSTATUS>(0xC0000099)
#define STATUS_UNKNOWN_REVISION static_cast<NTSTATUS>(0xC0000058)

constexpr KPROCESSOR_MODE KernelMode = 0;
constexpr KPROCESSOR_MODE UserMode = 1;

#define FILE_READ_DATA 0x0001
#define FILE_WRITE_DATA 0x0002
#define FILE_ALL_ACCESS 0x001F01FF
#define ACL_REVISION 2
#define SECURITY_DESCRIPTOR_REVISION 1
#define ACCESS_ALLOWED_ACE_TYPE 0
#define SE_DACL_PRESENT 0x0004

struct ACL {
  UCHAR AclRevision;
  UCHAR Sbz1;
  USHORT AclSize;
  USHORT AceCount;
  USHORT Sbz2;
};
typedef ACL* PACL;

struct ACE_HEADER {
  UCHAR AceType;
  UCHAR AceFlags;
  USHORT AceSize;
};

struct ACCESS_ALLOWED_ACE {
  ACE_HEADER Header;
  ACCESS_MASK Mask;
  ULONG SidStart;  // the SID begins here
};

// The absolute form: revision, control, then four pointers.
struct SECURITY_DESCRIPTOR {
  UCHAR Revision;
  UCHAR Sbz1;
  USHORT Control;
  PSID Owner;
  PSID Group;
  PACL Sacl;
  PACL Dacl;
};

struct GENERIC_MAPPING {
  ACCESS_MASK GenericRead, GenericWrite, GenericExecute, GenericAll;
};
typedef GENERIC_MAPPING* PGENERIC_MAPPING;
struct PRIVILEGE_SET;
typedef PRIVILEGE_SET* PPRIVILEGE_SET;

// The kernel's holds tokens; this one holds the SIDs of the opener's groups.
struct SECURITY_SUBJECT_CONTEXT {
  std::vector<std::vector<UCHAR>> groups;
  int locks = 0;  // SeLockSubjectContext calls not yet undone
};
typedef SECURITY_SUBJECT_CONTEXT* PSECURITY_SUBJECT_CONTEXT;

struct ACCESS_STATE {
  SECURITY_SUBJECT_CONTEXT SubjectSecurityContext;
};
typedef ACCESS_STATE* PACCESS_STATE;

struct IO_SECURITY_CONTEXT {
  PACCESS_STATE AccessState;
  ACCESS_MASK DesiredAccess;
};
typedef IO_SECURITY_CONTEXT* PIO_SECURITY_CONTEXT;

struct IO_STACK_LOCATION {
  union {
    struct {
      PIO_SECURITY_CONTEXT SecurityContext;
    } Create;
  } Parameters;
};
typedef IO_STACK_LOCATION* PIO_STACK_LOCATION;

struct IRP {
  KPROCESSOR_MODE RequestorMode;
  PIO_STACK_LOCATION CurrentStackLocation;
};
typedef IRP* PIRP;

inline PIO_STACK_LOCATION IoGetCurrentIrpStackLocation(PIRP irp) {
  return irp->CurrentStackLocation;
}

namespace fake_kernel {
struct Calls {
  int accessChecks = 0;
  ACCESS_MASK desired = 0;
  KPROCESSOR_MODE mode = KernelMode;
  bool lockedDuringCheck = false;
};
inline Calls calls;
inline GENERIC_MAPPING fileMapping = {0x120089, 0x120116, 0x1200A0, 0x1F01FF};

inline std::size_t sidLength(const void* sid) {
  return 8 + 4 * static_cast<const UCHAR*>(sid)[1];
}
}  // namespace fake_kernel

extern "C" {

inline NTSTATUS RtlCreateAcl(PACL acl, ULONG length, ULONG revision) {
  if (length < sizeof(ACL)) return STATUS_BUFFER_TOO_SMALL;
  if (revision != ACL_REVISION) return STATUS_UNKNOWN_REVISION;
  *acl = ACL{static_cast<UCHAR>(revision), 0, static_cast<USHORT>(length & ~3u), 0, 0};
  return STATUS_SUCCESS;
}

inline NTSTATUS RtlAddAccessAllowedAce(PACL acl, ULONG revision, ACCESS_MASK mask, PSID sid) {
  if (revision != acl->AclRevision) return STATUS_UNKNOWN_REVISION;
  auto* bytes = reinterpret_cast<UCHAR*>(acl);
  std::size_t end = sizeof(ACL);
  for (USHORT i = 0; i < acl->AceCount; ++i)
    end += reinterpret_cast<const ACE_HEADER*>(bytes + end)->AceSize;
  const std::size_t size = offsetof(ACCESS_ALLOWED_ACE, SidStart) + fake_kernel::sidLength(sid);
  if (end + size > acl->AclSize) return STATUS_ALLOTTED_SPACE_EXCEEDED;
  ACCESS_ALLOWED_ACE ace{{ACCESS_ALLOWED_ACE_TYPE, 0, static_cast<USHORT>(size)}, mask, 0};
  std::memcpy(bytes + end, &ace, offsetof(ACCESS_ALLOWED_ACE, SidStart));
  std::memcpy(bytes + end + offsetof(ACCESS_ALLOWED_ACE, SidStart), sid,
              fake_kernel::sidLength(sid));
  ++acl->AceCount;
  return STATUS_SUCCESS;
}

inline NTSTATUS RtlCreateSecurityDescriptor(PSECURITY_DESCRIPTOR descriptor, ULONG revision) {
  if (revision != SECURITY_DESCRIPTOR_REVISION) return STATUS_UNKNOWN_REVISION;
  *static_cast<SECURITY_DESCRIPTOR*>(descriptor) =
      SECURITY_DESCRIPTOR{static_cast<UCHAR>(revision), 0, 0, nullptr, nullptr, nullptr, nullptr};
  return STATUS_SUCCESS;
}

inline NTSTATUS RtlSetDaclSecurityDescriptor(PSECURITY_DESCRIPTOR descriptor, BOOLEAN present,
                                             PACL dacl, BOOLEAN) {
  auto* sd = static_cast<SECURITY_DESCRIPTOR*>(descriptor);
  if (present) {
    sd->Control |= SE_DACL_PRESENT;
    sd->Dacl = dacl;
  } else {
    sd->Control &= ~SE_DACL_PRESENT;
    sd->Dacl = nullptr;
  }
  return STATUS_SUCCESS;
}

inline void SeLockSubjectContext(PSECURITY_SUBJECT_CONTEXT subject) { ++subject->locks; }
inline void SeUnlockSubjectContext(PSECURITY_SUBJECT_CONTEXT subject) { --subject->locks; }

inline PGENERIC_MAPPING IoGetFileObjectGenericMapping() { return &fake_kernel::fileMapping; }

// Allow entries only, as the device's DACL has: the rights granted are those
// of the entries naming one of the subject's groups; no DACL grants all.
inline BOOLEAN SeAccessCheck(PSECURITY_DESCRIPTOR descriptor, PSECURITY_SUBJECT_CONTEXT subject,
                             BOOLEAN locked, ACCESS_MASK desired, ACCESS_MASK previouslyGranted,
                             PPRIVILEGE_SET*, PGENERIC_MAPPING, KPROCESSOR_MODE mode,
                             PACCESS_MASK granted, PNTSTATUS status) {
  fake_kernel::calls.accessChecks++;
  fake_kernel::calls.desired = desired;
  fake_kernel::calls.mode = mode;
  fake_kernel::calls.lockedDuringCheck = locked && subject->locks > 0;
  const auto* sd = static_cast<const SECURITY_DESCRIPTOR*>(descriptor);
  ACCESS_MASK allowed = previouslyGranted;
  if (!(sd->Control & SE_DACL_PRESENT) || sd->Dacl == nullptr) {
    allowed = ~0u;
  } else {
    const auto* bytes = reinterpret_cast<const UCHAR*>(sd->Dacl);
    std::size_t at = sizeof(ACL);
    for (USHORT i = 0; i < sd->Dacl->AceCount; ++i) {
      ACCESS_ALLOWED_ACE ace;
      std::memcpy(&ace, bytes + at, offsetof(ACCESS_ALLOWED_ACE, SidStart));
      const UCHAR* sid = bytes + at + offsetof(ACCESS_ALLOWED_ACE, SidStart);
      if (ace.Header.AceType == ACCESS_ALLOWED_ACE_TYPE)
        for (const auto& group : subject->groups)
          if (group.size() == fake_kernel::sidLength(sid) &&
              std::memcmp(group.data(), sid, group.size()) == 0)
            allowed |= ace.Mask;
      at += ace.Header.AceSize;
    }
  }
  if ((desired & ~allowed) != 0) {
    *granted = 0;
    *status = STATUS_ACCESS_DENIED;
    return FALSE;
  }
  *granted = desired;
  *status = STATUS_SUCCESS;
  return TRUE;
}

}  // extern "C"
