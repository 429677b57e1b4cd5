// The simulated card: the card model of the native tests, powered on when the
// driver starts, so a service restart gives a card in its power-on state.
// The card is chosen by the REG_SZ value "Card" of the service key's
// "Parameters" subkey, a catalogue key such as "r8500". A missing, unreadable
// or unknown value selects the Radeon 8500, the card of the demo PC, so the
// driver always starts.
#include <new>

#include "card_backend_start.h"
#include "sim_card_backend.h"

namespace kl::driver {

namespace {

using platform::CardDescription;
using SimBackend = SimCardBackend;

constexpr ULONG kPoolTag = 0x62703672;  // "r6pb" in a pool dump
// Longer than any catalogue key; a longer value is unknown anyway.
constexpr ULONG kKeyCapacity = 32;

HANDLE openKey(HANDLE root, PCUNICODE_STRING name) {
  OBJECT_ATTRIBUTES attributes;
  InitializeObjectAttributes(&attributes, const_cast<PUNICODE_STRING>(name),
                             OBJ_CASE_INSENSITIVE | OBJ_KERNEL_HANDLE, root, nullptr);
  HANDLE key = nullptr;
  if (!NT_SUCCESS(ZwOpenKey(&key, KEY_READ, &attributes))) return nullptr;
  return key;
}

// Copies a REG_SZ of ASCII characters into `key` (NUL-terminated); false for
// any other type, a non-ASCII character or a text that does not fit.
bool asciiText(const KEY_VALUE_PARTIAL_INFORMATION& info, char* key) {
  if (info.Type != REG_SZ) return false;
  const auto* text = reinterpret_cast<const WCHAR*>(info.Data);
  const ULONG length = info.DataLength / sizeof(WCHAR);
  ULONG n = 0;
  for (; n < length && text[n] != L'\0'; ++n) {
    if (n + 1 >= kKeyCapacity || text[n] > 0x7F) return false;
    key[n] = static_cast<char>(text[n]);
  }
  key[n] = '\0';
  return true;
}

bool readCardValue(HANDLE parameters, char* key) {
  UNICODE_STRING valueName;
  RtlInitUnicodeString(&valueName, L"Card");
  // ULONG elements keep the header aligned.
  ULONG buffer[(sizeof(KEY_VALUE_PARTIAL_INFORMATION) + kKeyCapacity * sizeof(WCHAR)) /
                   sizeof(ULONG) +
               1];
  ULONG size = 0;
  const NTSTATUS status = ZwQueryValueKey(parameters, &valueName, KeyValuePartialInformation,
                                          buffer, sizeof buffer, &size);
  if (!NT_SUCCESS(status)) return false;
  return asciiText(*reinterpret_cast<const KEY_VALUE_PARTIAL_INFORMATION*>(buffer), key);
}

const CardDescription& chosenCard(PCUNICODE_STRING serviceKey) {
  const CardDescription* card = nullptr;
  if (HANDLE service = openKey(nullptr, serviceKey)) {
    UNICODE_STRING subkey;
    RtlInitUnicodeString(&subkey, L"Parameters");
    if (HANDLE parameters = openKey(service, &subkey)) {
      char key[kKeyCapacity];
      if (readCardValue(parameters, key)) card = platform::findCatalogueCard(key);
      ZwClose(parameters);
    }
    ZwClose(service);
  }
  return card != nullptr ? *card : platform::catalogueCard(platform::CatalogueCard::Radeon8500);
}

}  // namespace

// The card model is about 96 KiB: it lives in pool memory, never on a stack.
NTSTATUS startCardBackend(PCUNICODE_STRING serviceKey, CardBackend** backend) {
  const CardDescription& card = chosenCard(serviceKey);
  void* memory = ExAllocatePoolWithTag(NonPagedPool, sizeof(SimBackend), kPoolTag);
  if (memory == nullptr) return STATUS_INSUFFICIENT_RESOURCES;
  *backend = new (memory) SimBackend(card);
  return STATUS_SUCCESS;
}

bool acceptsUncheckedOpens() { return true; }

void stopCardBackend(CardBackend* backend) {
  auto* sim = static_cast<SimBackend*>(backend);
  sim->~SimBackend();
  ExFreePoolWithTag(sim, kPoolTag);
}

}  // namespace kl::driver
