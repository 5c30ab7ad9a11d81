#include "console/output/d2xx_unit.h"

#include <algorithm>
#include <cstring>

#include "platform/operator.h"

D2XXUnit::D2XXUnit(std::unique_ptr<D2xxDriver> driver, Operator& op)
    : driver_(std::move(driver)),
      op_(op),
      readBuffer_(std::make_unique<std::array<uint8_t, 65536>>()),
      writeBuffer_(std::make_unique<std::array<uint8_t, 65536>>()) {}

QString D2XXUnit::statusSuffix(FT_STATUS status) {
  switch (status) {
    case 1:
      return " - Invalid handle...";
    case 2:
      return " - Device not found...";
    case 3:
      return " - Device not opened...";
    case 4:
      return " - General IO error...";
    case 5:
      return " - Insufficient resources...";
    case 6:
      return " - Invalid parameter...";
    case 7:
      return " - Invalid baud rate...";
    case 8:
      return " Device not opened for erase...";
    case 9:
      return " Device not opened for write...";
    case 10:
      return " - Failed to write...";
    case 11:
      return " - EEPROM read failed...";
    case 12:
      return " - EEPROM write failed...";
    case 13:
      return " - EEPROM erase failed...";
    case 14:
      return " - EEPROM not present...";
    case 15:
      return " - EEPROM not programmed...";
    case 16:
      return " - Invalid arguments...";
    case 17:
      return " - Other error ...";
    default:
      return QString();
  }
}

void D2XXUnit::ReportFTError(const QString& label, FT_STATUS status) {
  if (!errorReport_ || status == 0) return;
  // Codes without a description of their own are reported with an empty text.
  const QString suffix = statusSuffix(status);
  op_.ask("Error", suffix.isEmpty() ? QString() : label + suffix, DialogIcon::Error, DialogButtons::Ok);
}

void D2XXUnit::SetDeviceStringBuffer(const QString& serial) {
  openSerial_.fill(0);
  const QByteArray bytes = serial.toLatin1();
  std::memcpy(openSerial_.data(), bytes.constData(), size_t(std::min<qsizetype>(bytes.size(), 49)));
}

FT_STATUS D2XXUnit::GetFTDeviceCount() {
  uint32_t count = 0;
  const FT_STATUS status = driver_->listDeviceCount(count);
  if (status == 0) deviceCount_ = count;
  ReportFTError("GetFTDeviceCount", status);
  return status;
}

namespace {
QString textUpToNul(const char* buffer, size_t size) {
  return QString::fromLatin1(buffer, qsizetype(strnlen(buffer, size)));
}
}  // namespace

FT_STATUS D2XXUnit::GetFTDeviceSerialNo(uint32_t index) {
  listedSerial_.fill(0);
  const FT_STATUS status =
      driver_->listDeviceByIndex(index, listedSerial_.data(), uint32_t(listedSerial_.size()),
                                 FtFlag::ListByIndex | FtFlag::OpenBySerialNumber);
  if (status == 0) listedText_ = textUpToNul(listedSerial_.data(), listedSerial_.size());
  ReportFTError("GetFTDeviceSerialNo", status);
  return status;
}

FT_STATUS D2XXUnit::GetFTDeviceDescription(uint32_t index) {
  listedDescription_.fill(0);
  const FT_STATUS status =
      driver_->listDeviceByIndex(index, listedDescription_.data(), uint32_t(listedDescription_.size()),
                                 FtFlag::ListByIndex | FtFlag::OpenByDescription);
  if (status == 0) listedText_ = textUpToNul(listedDescription_.data(), listedDescription_.size());
  ReportFTError("GetFTDeviceDescription", status);
  return status;
}

FT_STATUS D2XXUnit::Open_USB_Device_By_Serial_Number(const QString& serial) {
  SetDeviceStringBuffer(serial);
  const FT_STATUS status = driver_->openEx(openSerial_.data(), FtFlag::OpenBySerialNumber, handle_);
  ReportFTError("Open_USB_Device_By_Serial_Number", status);
  return status;
}

FT_STATUS D2XXUnit::CloseFTDevice() {
  const FT_STATUS status = driver_->close(handle_);
  ReportFTError("FT_Close", status);
  return status;
}

uint32_t D2XXUnit::ReadFTBuffer(uint32_t count) {
  uint32_t got = 0;
  count = std::min<uint32_t>(count, uint32_t(readBuffer_->size()));
  lastTransferStatus_ = driver_->read(handle_, readBuffer_->data(), count, got);
  ReportFTError("FT_Read", lastTransferStatus_);
  return lastTransferStatus_ == 0 ? std::min(got, count) : 0;
}

uint32_t D2XXUnit::WriteFTBuffer(uint32_t count) {
  uint32_t written = 0;
  count = std::min<uint32_t>(count, uint32_t(writeBuffer_->size()));
  lastTransferStatus_ = driver_->write(handle_, writeBuffer_->data(), count, written);
  ReportFTError("FT_Write", lastTransferStatus_);
  return written;
}

FT_STATUS D2XXUnit::writeDmxFrame(const uint8_t* bytes, uint32_t count) {
  count = std::min<uint32_t>(count, uint32_t(writeBuffer_->size()));
  std::memcpy(writeBuffer_->data(), bytes, count);
  uint32_t written = 0;
  lastTransferStatus_ = driver_->write(handle_, writeBuffer_->data(), count, written);
  if (lastTransferStatus_ == 0 && written != count) lastTransferStatus_ = FtStatus::IoError;
  return lastTransferStatus_;
}

FT_STATUS D2XXUnit::ResetFTDevice() {
  const FT_STATUS status = driver_->resetDevice(handle_);
  ReportFTError("FT_ResetDevice", status);
  return status;
}

FT_STATUS D2XXUnit::SetFTTimeouts(uint32_t readMs, uint32_t writeMs) {
  const FT_STATUS status = driver_->setTimeouts(handle_, readMs, writeMs);
  ReportFTError("FT_SetTimeouts", status);
  return status;
}

FT_STATUS D2XXUnit::GetFTQueueStatus() {
  const FT_STATUS status = driver_->getQueueStatus(handle_, queueCount_);
  ReportFTError("FT_GetQueueStatus", status);
  return status;
}
