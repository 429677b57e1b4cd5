#pragma once
// The mingw-w64 DDK headers, included the one way that compiles as C++ for a
// Windows 2000 target:
// - wdm.h defines the two bit-test intrinsics itself, and in C++ they clash
//   with the copies of intrin.h; marking those as defined keeps wdm.h's.
// - wdm.h tests NTDDI_WINVISTA, which sdkddkver.h does not define (it names
//   the version NTDDI_VISTA); undefined, the test passes on any target and
//   pulls in a structure that is only declared for Vista and later.
#define __INTRINSIC_DEFINED_InterlockedBitTestAndSet
#define __INTRINSIC_DEFINED_InterlockedBitTestAndReset
#ifndef NTDDI_WINVISTA
#define NTDDI_WINVISTA 0x06000000
#endif
#include <ddk/wdm.h>
