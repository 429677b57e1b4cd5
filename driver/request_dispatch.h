#pragma once
// The device control requests of the r6probe device, independent of the
// kernel: sizes, bounds and alignment are checked here, once, for every
// backend, and a refused request touches neither the card nor the buffer.
#include <cstdint>

#include "card_backend.h"

namespace kl::driver {

enum class RequestResult {
  Done,
  UnknownRequest,  // not one of the five control codes
  WrongSize,       // an input or output size other than the request's own
  BadTarget,       // unaligned or out-of-range offset or index
  CardFailed,      // the backend did not complete the access
};

// Serves one buffered request. `buffer` is the one system buffer of
// buffered I/O: it holds `inSize` input bytes on entry and receives the
// output, of at most `outSize` bytes; the input is consumed before any
// output is written, since the caller may pass one buffer as both.
// `delivered` receives the number of output bytes written (0 unless Done).
// The caller serialises requests: masked writes are read-combine-write.
RequestResult dispatchRequest(CardBackend& card, std::uint32_t code, void* buffer,
                              std::uint32_t inSize, std::uint32_t outSize,
                              std::uint32_t* delivered);

}  // namespace kl::driver
