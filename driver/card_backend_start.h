#pragma once
// How the driver obtains its card. Each build links exactly one backend that
// defines these two functions; the device and its requests are the same for
// all of them.
#include "card_backend.h"
#include "kernel_headers.h"

namespace kl::driver {

// Called once from DriverEntry with the driver's service key. On success
// *backend serves requests until stopCardBackend; on failure the status is
// the driver's start status and nothing is left allocated.
NTSTATUS startCardBackend(PCUNICODE_STRING serviceKey, CardBackend** backend);

// Releases what startCardBackend acquired. Called once, after the last
// request, from the unload routine.
void stopCardBackend(CardBackend* backend);

// Whether an open that carries no security context is let through. Only the
// simulated card says yes: it runs under Wine, whose kernel passes none, and
// is never installed on a real PC.
bool acceptsUncheckedOpens();

}  // namespace kl::driver
