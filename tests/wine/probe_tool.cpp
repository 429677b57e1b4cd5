// KlProbeTool.exe: one request to the r6probe device from the command line,
// made the way Kestrelune makes it (CreateFileA for reading, buffered
// DeviceIoControl, one 4-byte buffer in and out for word reads). Tests use
// it to look at the card after the real program has programmed it.
//
//   KlProbeTool read-reg OFFSET             prints the register as 0xXXXXXXXX
//   KlProbeTool write-reg OFFSET MASK VALUE masked write
//   KlProbeTool read-pll INDEX              prints the PLL register
//   KlProbeTool write-pll INDEX MASK VALUE  masked PLL write
//   KlProbeTool read-bios OFFSET COUNT      prints the bytes delivered in hex
//   KlProbeTool wait SECONDS                waits until the device answers
//
// Numbers are decimal or 0x-prefixed hexadecimal. Exit code 0 on success,
// 1 when the device cannot be opened or refuses the request (the reason is
// printed), 2 for a wrong command line.
#include <windows.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/sim/r6probe_protocol.h"

namespace {

namespace r6probe = kl::platform::r6probe;

constexpr int kFailed = 1;
constexpr int kUsage = 2;

int usage() {
  std::fprintf(stderr,
               "usage: KlProbeTool read-reg OFFSET | write-reg OFFSET MASK VALUE |\n"
               "       read-pll INDEX | write-pll INDEX MASK VALUE |\n"
               "       read-bios OFFSET COUNT | wait SECONDS\n");
  return kUsage;
}

bool parseWord(const char* text, DWORD* value) {
  if (text[0] == '-' || text[0] == '+' || text[0] == '\0') return false;
  char* end = nullptr;
  errno = 0;
  const unsigned long long parsed = std::strtoull(text, &end, 0);
  if (errno != 0 || *end != '\0' || parsed > 0xFFFFFFFFull) return false;
  *value = static_cast<DWORD>(parsed);
  return true;
}

void printError(const char* what, DWORD error) {
  char text[256] = "";
  FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0,
                 text, sizeof text, nullptr);
  for (size_t n = std::strlen(text); n > 0 && (text[n - 1] == '\n' || text[n - 1] == '\r');)
    text[--n] = '\0';
  std::fprintf(stderr, "KlProbeTool: %s: %s (error %lu)\n", what, text,
               static_cast<unsigned long>(error));
}

HANDLE openDevice() {
  return CreateFileA(r6probe::kDevicePath, GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
}

// Opens the device, makes one request and closes it; prints why on failure.
bool request(DWORD code, void* in, DWORD inSize, void* out, DWORD outSize, DWORD* returned) {
  const HANDLE device = openDevice();
  if (device == INVALID_HANDLE_VALUE) {
    printError("cannot open \\\\.\\r6probe.vxd", GetLastError());
    return false;
  }
  const BOOL ok = DeviceIoControl(device, code, in, inSize, out, outSize, returned, nullptr);
  const DWORD error = GetLastError();
  CloseHandle(device);
  if (!ok) {
    char what[64];
    std::snprintf(what, sizeof what, "request 0x%08lX refused", static_cast<unsigned long>(code));
    printError(what, error);
  }
  return ok != FALSE;
}

int readWord(DWORD code, int argc, char** argv) {
  DWORD word = 0;
  if (argc != 3 || !parseWord(argv[2], &word)) return usage();
  DWORD returned = 0;
  if (!request(code, &word, sizeof word, &word, sizeof word, &returned)) return kFailed;
  std::printf("0x%08lX\n", static_cast<unsigned long>(word));
  return 0;
}

int maskedWrite(DWORD code, int argc, char** argv) {
  DWORD words[3];
  if (argc != 5) return usage();
  for (int i = 0; i < 3; ++i) {
    if (!parseWord(argv[2 + i], &words[i])) return usage();
  }
  DWORD returned = 0;
  return request(code, words, sizeof words, nullptr, 0, &returned) ? 0 : kFailed;
}

int readBios(int argc, char** argv) {
  DWORD offset = 0, count = 0;
  if (argc != 4 || !parseWord(argv[2], &offset) || !parseWord(argv[3], &count) ||
      count > 0x100000) {
    return usage();
  }
  std::vector<unsigned char> bytes(count);
  DWORD returned = 0;
  if (!request(r6probe::kReadBios, &offset, sizeof offset, bytes.data(), count, &returned)) {
    return kFailed;
  }
  for (DWORD i = 0; i < returned; ++i) {
    std::printf("%02X%c", bytes[i], (i % 16 == 15 || i + 1 == returned) ? '\n' : ' ');
  }
  return 0;
}

// The device exists once the driver has started; it answers once a PLL read
// succeeds. Polls every 100 ms.
int waitForDevice(int argc, char** argv) {
  DWORD seconds = 0;
  if (argc != 3 || !parseWord(argv[2], &seconds) || seconds > 3600) return usage();
  const DWORD start = GetTickCount();
  DWORD error = 0;
  for (;;) {
    const HANDLE device = openDevice();
    if (device != INVALID_HANDLE_VALUE) {
      DWORD word = 0, returned = 0;
      const BOOL ok = DeviceIoControl(device, r6probe::kReadPllRegister, &word, sizeof word, &word,
                                      sizeof word, &returned, nullptr);
      error = GetLastError();
      CloseHandle(device);
      if (ok) return 0;
    } else {
      error = GetLastError();
    }
    if (GetTickCount() - start >= seconds * 1000) break;
    Sleep(100);
  }
  char what[64];
  std::snprintf(what, sizeof what, "the device did not answer within %lu s",
                static_cast<unsigned long>(seconds));
  printError(what, error);
  return kFailed;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return usage();
  const char* command = argv[1];
  if (std::strcmp(command, "read-reg") == 0) return readWord(r6probe::kReadRegister, argc, argv);
  if (std::strcmp(command, "read-pll") == 0) return readWord(r6probe::kReadPllRegister, argc, argv);
  if (std::strcmp(command, "write-reg") == 0) {
    return maskedWrite(r6probe::kWriteRegister, argc, argv);
  }
  if (std::strcmp(command, "write-pll") == 0) {
    return maskedWrite(r6probe::kWritePllRegister, argc, argv);
  }
  if (std::strcmp(command, "read-bios") == 0) return readBios(argc, argv);
  if (std::strcmp(command, "wait") == 0) return waitForDevice(argc, argv);
  return usage();
}
