// The kernel side of the r6probe device: creates \Device\r6probe and its
// link \??\r6probe.vxd (opened as \\.\r6probe.vxd), lets administrators
// and the system open it, and hands each device control request to the
// shared dispatch over the card backend this build links. Entry, dispatch and
// unload routines are NTAPI: on i386 the kernel calls them as stdcall.
#include "card_backend_start.h"
#include "device_security.h"
#include "kernel_headers.h"
#include "platform/sim/r6probe_protocol.h"
#include "request_dispatch.h"

namespace kl::driver {

namespace {

struct DeviceExtension {
  // One request at a time: a masked write reads, combines and writes, and
  // must not interleave with another request on the same register.
  KMUTEX lock;
  CardBackend* card;
  OpenerCheck openers;
};

constexpr WCHAR kDeviceName[] = L"\\Device\\r6probe";
constexpr WCHAR kLinkName[] = L"\\??\\r6probe.vxd";

NTSTATUS statusOf(RequestResult result) {
  switch (result) {
    case RequestResult::Done:
      return STATUS_SUCCESS;
    case RequestResult::UnknownRequest:
      return STATUS_INVALID_DEVICE_REQUEST;
    case RequestResult::WrongSize:
      return STATUS_INVALID_BUFFER_SIZE;
    case RequestResult::BadTarget:
      return STATUS_INVALID_PARAMETER;
    case RequestResult::CardFailed:
      return STATUS_IO_DEVICE_ERROR;
  }
  return STATUS_INVALID_DEVICE_REQUEST;
}

NTSTATUS complete(PIRP irp, NTSTATUS status, ULONG_PTR information) {
  irp->IoStatus.Status = status;
  irp->IoStatus.Information = information;
  IoCompleteRequest(irp, IO_NO_INCREMENT);
  return status;
}

NTSTATUS NTAPI create(PDEVICE_OBJECT device, PIRP irp) {
  auto* extension = static_cast<DeviceExtension*>(device->DeviceExtension);
  return complete(irp, checkOpener(&extension->openers, irp, acceptsUncheckedOpens()), 0);
}

NTSTATUS NTAPI close(PDEVICE_OBJECT, PIRP irp) { return complete(irp, STATUS_SUCCESS, 0); }

NTSTATUS NTAPI deviceControl(PDEVICE_OBJECT device, PIRP irp) {
  auto* extension = static_cast<DeviceExtension*>(device->DeviceExtension);
  const PIO_STACK_LOCATION stack = IoGetCurrentIrpStackLocation(irp);
  const auto& request = stack->Parameters.DeviceIoControl;
  std::uint32_t delivered = 0;
  KeWaitForSingleObject(&extension->lock, Executive, KernelMode, FALSE, nullptr);
  const RequestResult result =
      dispatchRequest(*extension->card, request.IoControlCode, irp->AssociatedIrp.SystemBuffer,
                      request.InputBufferLength, request.OutputBufferLength, &delivered);
  KeReleaseMutex(&extension->lock, FALSE);
  return complete(irp, statusOf(result), delivered);
}

void NTAPI unload(PDRIVER_OBJECT driver) {
  UNICODE_STRING link;
  RtlInitUnicodeString(&link, kLinkName);
  IoDeleteSymbolicLink(&link);
  if (PDEVICE_OBJECT device = driver->DeviceObject) {
    stopCardBackend(static_cast<DeviceExtension*>(device->DeviceExtension)->card);
    IoDeleteDevice(device);
  }
}

NTSTATUS createDevice(PDRIVER_OBJECT driver, CardBackend* card) {
  UNICODE_STRING name;
  RtlInitUnicodeString(&name, kDeviceName);
  PDEVICE_OBJECT device = nullptr;
  NTSTATUS status = IoCreateDevice(driver, sizeof(DeviceExtension), &name,
                                   platform::r6probe::kDeviceType, 0, FALSE, &device);
  if (!NT_SUCCESS(status)) return status;
  auto* extension = static_cast<DeviceExtension*>(device->DeviceExtension);
  KeInitializeMutex(&extension->lock, 0);
  extension->card = card;
  status = initOpenerCheck(&extension->openers);
  if (!NT_SUCCESS(status)) {
    IoDeleteDevice(device);
    return status;
  }
  UNICODE_STRING link;
  RtlInitUnicodeString(&link, kLinkName);
  status = IoCreateSymbolicLink(&link, &name);
  if (!NT_SUCCESS(status)) {
    IoDeleteDevice(device);
    return status;
  }
  device->Flags &= ~DO_DEVICE_INITIALIZING;
  return STATUS_SUCCESS;
}

}  // namespace

}  // namespace kl::driver

extern "C" NTSTATUS NTAPI DriverEntry(PDRIVER_OBJECT driver, PUNICODE_STRING serviceKey) {
  using namespace kl::driver;
  CardBackend* card = nullptr;
  NTSTATUS status = startCardBackend(serviceKey, &card);
  if (!NT_SUCCESS(status)) return status;
  // The routines are in place before the device can be opened.
  driver->MajorFunction[IRP_MJ_CREATE] = create;
  driver->MajorFunction[IRP_MJ_CLOSE] = close;
  driver->MajorFunction[IRP_MJ_DEVICE_CONTROL] = deviceControl;
  driver->DriverUnload = unload;
  status = createDevice(driver, card);
  if (!NT_SUCCESS(status)) stopCardBackend(card);
  return status;
}
