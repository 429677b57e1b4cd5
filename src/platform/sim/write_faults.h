#pragma once
// One count of the writes that the simulated services perform (registry
// values and keys, profile files, the program's own files, the card's
// registers), shared by all of them so that a test sees them in the order
// the program made them, and can make any one of them fail.
//
// A service asks admit() at the point where the real call would fail, after
// its own checks (a write that the service refuses anyway is not counted),
// and before it changes anything. Off until a test connects it
// (SimPlatform::watchWrites); nothing is counted then.
#include <cstddef>
#include <string>
#include <vector>

namespace kl::platform {

class WriteFaults {
 public:
  // A write about to happen, described as "<service> <what>" (see the
  // services for their formats). False when it is the write chosen to fail:
  // the service then fails it as the real call would (access denied) and
  // changes nothing. Every write, failed or not, takes a number.
  bool admit(std::string what);

  // The n-th write from now (1 = the next) fails, once; 0: none fails.
  // Either way the count and the log start again from here.
  void failWrite(unsigned n);

  // Writes performed since the last failWrite, in order.
  const std::vector<std::string>& log() const { return log_; }
  // The write that was failed, empty while none was.
  const std::string& failed() const { return failed_; }
  // Writes counted: those performed plus the failed one.
  unsigned count() const { return counted_; }

 private:
  std::vector<std::string> log_;
  std::string failed_;
  unsigned failAt_ = 0;
  unsigned counted_ = 0;
};

// Appends bytes as two-digit hex, separated by commas: "01,00,00,00".
std::string hexBytes(const void* data, std::size_t size);

}  // namespace kl::platform
