#include "FtdiDevice.h"

#include <algorithm>
#include <chrono>
#include <climits>

#include <libftdi1/ftdi.h>
#include <libusb.h>

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kVendorId = 0x0403;
constexpr int kProductIds[] = {0x6001, 0xED30};
constexpr DWORD kLargestChunk = 1 << 20;
// What one queue status may take from the chip: a USB request of the driver's usual size.
constexpr std::size_t kQueueChunk = 4096;
// The chip answers every latency period, with status bytes at least; a bulk read that times
// out drops what it had received, so each read waits a little longer than that period.
constexpr int kLatencyMarginMs = 10;

int msUntil(Clock::time_point deadline)
{
    auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left > 0 ? int(left) : 0;
}

int clampMs(ULONG ms)
{
    // libusb takes 0 as "wait for ever".
    return int(std::clamp<ULONG>(ms, 1, INT_MAX));
}

}  // namespace

FT_STATUS FtdiDevice::open(int index, std::unique_ptr<Device>& device)
{
    if (index < 0)
        return FT_DEVICE_NOT_FOUND;
    ftdi_context* context = ftdi_new();
    if (!context)
        return FT_DEVICE_NOT_FOUND;
    std::unique_ptr<FtdiDevice> opened(new FtdiDevice(context));
    for (int productId : kProductIds) {
        ftdi_device_list* list = nullptr;
        int found = std::max(ftdi_usb_find_all(context, &list, kVendorId, productId), 0);
        if (index >= found) {
            index -= found;
            ftdi_list_free(&list);
            continue;
        }
        ftdi_device_list* entry = list;
        for (int i = 0; i < index; ++i)
            entry = entry->next;
        FT_STATUS status = opened->openListed(entry->dev, productId);
        ftdi_list_free(&list);
        if (status == FT_OK)
            device = std::move(opened);
        return status;
    }
    return FT_DEVICE_NOT_FOUND;
}

FtdiDevice::FtdiDevice(ftdi_context* context) : context(context) {}

FtdiDevice::~FtdiDevice()
{
    ftdi_free(context);
}

FT_STATUS FtdiDevice::openListed(libusb_device* usbDevice, int productId)
{
    char manufacturer[FT_EE_MANUFACTURER_SIZE] = {};
    char description[FT_EE_DESCRIPTION_SIZE] = {};
    char serial[FT_EE_SERIAL_NUMBER_SIZE] = {};
    // A chip without some of its strings is still the logger; those texts stay empty.
    ftdi_usb_get_strings(context, usbDevice, manufacturer, sizeof(manufacturer), description,
                         sizeof(description), serial, sizeof(serial));
    if (ftdi_usb_open_dev(context, usbDevice) < 0)
        return FT_DEVICE_NOT_OPENED;
    info.vendorId = kVendorId;
    info.productId = WORD(productId);
    info.manufacturer = manufacturer;
    info.manufacturerId = "FT";
    info.description = description;
    info.serialNumber = serial;
    return FT_OK;
}

// One bulk read of at most `count` bytes; a timeout counts as no byte. readMutex is held.
int FtdiDevice::readChunk(UCHAR* buffer, DWORD count, int waitMs)
{
    context->usb_read_timeout = std::max(waitMs, latencyMs + kLatencyMarginMs);
    int n = ftdi_read_data(context, buffer, int(std::min(count, kLargestChunk)));
    return n == LIBUSB_ERROR_TIMEOUT ? 0 : n;
}

FT_STATUS FtdiDevice::read(UCHAR* buffer, DWORD count, DWORD* returned)
{
    std::lock_guard lock(readMutex);
    auto deadline = Clock::now() + std::chrono::milliseconds(readTimeoutMs.load());
    DWORD got = DWORD(rx.take(buffer, count));
    while (got < count) {
        int wait = msUntil(deadline);
        if (wait == 0)
            break;
        int n = readChunk(buffer + got, count - got, wait);
        if (n < 0) {
            // Bytes already in are delivered; the next call reports the error.
            *returned = got;
            return got > 0 ? FT_OK : FT_IO_ERROR;
        }
        got += DWORD(n);
    }
    *returned = got;
    return FT_OK;
}

FT_STATUS FtdiDevice::write(const UCHAR* buffer, DWORD count, DWORD* written)
{
    std::lock_guard lock(writeMutex);
    *written = 0;
    context->usb_write_timeout = clampMs(writeTimeoutMs);
    int n = ftdi_write_data(context, buffer, int(std::min<DWORD>(count, INT_MAX)));
    if (n < 0)
        return FT_IO_ERROR;
    *written = DWORD(n);
    return FT_OK;
}

FT_STATUS FtdiDevice::queueStatus(DWORD* rxBytes)
{
    std::lock_guard lock(readMutex);
    // A full read-ahead leaves further bytes in the chip, as a real driver's full buffer does.
    if (!rx.full()) {
        int n = readChunk(rx.freeStart(), DWORD(std::min(rx.freeLength(), kQueueChunk)), 1);
        if (n < 0)
            return FT_IO_ERROR;
        rx.commit(std::size_t(n));
    }
    *rxBytes = DWORD(rx.size());
    return FT_OK;
}

FT_STATUS FtdiDevice::purge(ULONG mask)
{
    if (mask & FT_PURGE_RX) {
        std::lock_guard lock(readMutex);
        rx.clear();
        if (ftdi_tciflush(context) < 0)
            return FT_IO_ERROR;
    }
    if (mask & FT_PURGE_TX) {
        std::lock_guard lock(writeMutex);
        if (ftdi_tcoflush(context) < 0)
            return FT_IO_ERROR;
    }
    return FT_OK;
}

FT_STATUS FtdiDevice::reset()
{
    std::scoped_lock lock(readMutex, writeMutex);
    rx.clear();
    return ftdi_usb_reset(context) < 0 ? FT_IO_ERROR : FT_OK;
}

FT_STATUS FtdiDevice::setLatencyTimer(UCHAR ms)
{
    std::lock_guard lock(controlMutex);
    if (ftdi_set_latency_timer(context, ms) < 0)
        return FT_IO_ERROR;
    latencyMs = ms;
    return FT_OK;
}

FT_STATUS FtdiDevice::getLatencyTimer(UCHAR* ms)
{
    std::lock_guard lock(controlMutex);
    return ftdi_get_latency_timer(context, ms) < 0 ? FT_IO_ERROR : FT_OK;
}

void FtdiDevice::close()
{
    // Waits for calls still running on other threads; later calls fail on the closed context.
    std::scoped_lock lock(readMutex, writeMutex, controlMutex);
    ftdi_usb_close(context);
}
