#include "console/output/ftdi_d2xx_driver.h"

#include <libftdi1/ftdi.h>

#include <QDeadlineTimer>
#include <QThread>
#include <cstring>

namespace {
ftdi_context* contextOf(FT_HANDLE handle) { return static_cast<ftdi_context*>(handle); }

}  // namespace

FtdiD2xxDriver::FtdiD2xxDriver() = default;

FtdiD2xxDriver::~FtdiD2xxDriver() {
  freeList();
  if (listContext_) ftdi_free(listContext_);
}

void FtdiD2xxDriver::freeList() {
  if (list_) ftdi_list_free(&list_);
  list_ = nullptr;
  listCount_ = 0;
}

bool FtdiD2xxDriver::enumerate() {
  if (!listContext_) listContext_ = ftdi_new();
  if (!listContext_) return false;
  freeList();
  const int n = ftdi_usb_find_all(listContext_, &list_, 0, 0);
  if (n < 0) {
    list_ = nullptr;
    return false;
  }
  listCount_ = n;
  return true;
}

FT_STATUS FtdiD2xxDriver::listDeviceCount(uint32_t& count) {
  count = 0;
  // Without a USB layer there is no device to find: that is a count of 0, not a failure.
  if (!enumerate()) return FtStatus::Ok;
  count = uint32_t(listCount_);
  return FtStatus::Ok;
}

FT_STATUS FtdiD2xxDriver::listDeviceByIndex(uint32_t index, char* buffer, uint32_t size, uint32_t flags) {
  if (!buffer || size == 0) return FtStatus::InvalidParameter;
  if (!list_ && !enumerate()) return FtStatus::DeviceNotFound;
  ftdi_device_list* item = list_;
  for (uint32_t i = 0; item && i < index; ++i) item = item->next;
  if (!item) return FtStatus::DeviceNotFound;
  std::memset(buffer, 0, size);
  const bool bySerial = (flags & FtFlag::OpenBySerialNumber) != 0;
  const int rc =
      bySerial ? ftdi_usb_get_strings(listContext_, item->dev, nullptr, 0, nullptr, 0, buffer, int(size))
               : ftdi_usb_get_strings(listContext_, item->dev, nullptr, 0, buffer, int(size), nullptr, 0);
  buffer[size - 1] = 0;
  return rc < 0 ? FtStatus::IoError : FtStatus::Ok;
}

FT_STATUS FtdiD2xxDriver::openEx(const char* serial, uint32_t flags, FT_HANDLE& handle) {
  if (!(flags & FtFlag::OpenBySerialNumber) || !serial) return FtStatus::InvalidParameter;
  if (!enumerate()) return FtStatus::DeviceNotFound;
  for (ftdi_device_list* item = list_; item; item = item->next) {
    char found[64] = {};
    if (ftdi_usb_get_strings(listContext_, item->dev, nullptr, 0, nullptr, 0, found, sizeof found) < 0)
      continue;
    if (std::strcmp(found, serial) != 0) continue;
    ftdi_context* context = ftdi_new();
    if (!context) return FtStatus::InsufficientResources;
    if (ftdi_usb_open_dev(context, item->dev) < 0) {
      ftdi_free(context);
      return FtStatus::DeviceNotOpened;
    }
    handle = context;
    return FtStatus::Ok;
  }
  return FtStatus::DeviceNotFound;
}

FT_STATUS FtdiD2xxDriver::close(FT_HANDLE handle) {
  if (!handle) return FtStatus::InvalidHandle;
  ftdi_context* context = contextOf(handle);
  const int rc = ftdi_usb_close(context);
  ftdi_free(context);
  return rc < 0 ? FtStatus::IoError : FtStatus::Ok;
}

FT_STATUS FtdiD2xxDriver::read(FT_HANDLE handle, uint8_t* buffer, uint32_t count, uint32_t& bytesRead) {
  bytesRead = 0;
  if (!handle) return FtStatus::InvalidHandle;
  ftdi_context* context = contextOf(handle);
  QDeadlineTimer deadline(context->usb_read_timeout);
  while (bytesRead < count) {
    const int rc = ftdi_read_data(context, buffer + bytesRead, int(count - bytesRead));
    if (rc < 0) return FtStatus::IoError;
    bytesRead += uint32_t(rc);
    if (deadline.hasExpired()) break;
    if (rc == 0) QThread::msleep(1);
  }
  return FtStatus::Ok;
}

FT_STATUS FtdiD2xxDriver::write(FT_HANDLE handle, const uint8_t* buffer, uint32_t count,
                                uint32_t& bytesWritten) {
  bytesWritten = 0;
  if (!handle) return FtStatus::InvalidHandle;
  const int rc = ftdi_write_data(contextOf(handle), buffer, int(count));
  if (rc < 0) return FtStatus::IoError;
  bytesWritten = uint32_t(rc);
  return FtStatus::Ok;
}

FT_STATUS FtdiD2xxDriver::resetDevice(FT_HANDLE handle) {
  if (!handle) return FtStatus::InvalidHandle;
  return ftdi_usb_reset(contextOf(handle)) < 0 ? FtStatus::IoError : FtStatus::Ok;
}

FT_STATUS FtdiD2xxDriver::setTimeouts(FT_HANDLE handle, uint32_t readMs, uint32_t writeMs) {
  if (!handle) return FtStatus::InvalidHandle;
  contextOf(handle)->usb_read_timeout = int(readMs);
  contextOf(handle)->usb_write_timeout = int(writeMs);
  return FtStatus::Ok;
}

FT_STATUS FtdiD2xxDriver::getQueueStatus(FT_HANDLE handle, uint32_t& queued) {
  queued = 0;
  if (!handle) return FtStatus::InvalidHandle;
  // libftdi keeps no receive queue count; asking the chip for its modem status tells whether the
  // device still answers, which is what the callers use this for.
  unsigned short modem = 0;
  return ftdi_poll_modem_status(contextOf(handle), &modem) < 0 ? FtStatus::IoError : FtStatus::Ok;
}
