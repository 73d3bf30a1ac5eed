// The D2XX entry points, over the logger emulator's socket or libftdi1.
#include "Ftd2xx.h"

#include "FtdiDevice.h"
#include "SocketDevice.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>

namespace {

// Handles are numbers that are never reused, so a stale or double-closed handle is refused
// instead of reaching freed memory; a call in progress keeps its device alive.
std::mutex g_devicesMutex;
std::map<std::uintptr_t, std::shared_ptr<Device>> g_devices;
std::uintptr_t g_nextHandle = 1;

std::shared_ptr<Device> find(FT_HANDLE handle)
{
    std::lock_guard lock(g_devicesMutex);
    auto it = g_devices.find(reinterpret_cast<std::uintptr_t>(handle));
    return it == g_devices.end() ? nullptr : it->second;
}

FT_HANDLE add(std::unique_ptr<Device> device)
{
    std::lock_guard lock(g_devicesMutex);
    std::uintptr_t handle = g_nextHandle++;
    g_devices.emplace(handle, std::move(device));
    return reinterpret_cast<FT_HANDLE>(handle);
}

std::shared_ptr<Device> remove(FT_HANDLE handle)
{
    std::lock_guard lock(g_devicesMutex);
    auto it = g_devices.find(reinterpret_cast<std::uintptr_t>(handle));
    if (it == g_devices.end())
        return nullptr;
    std::shared_ptr<Device> device = std::move(it->second);
    g_devices.erase(it);
    return device;
}

void copyText(char* target, int size, const std::string& text)
{
    if (!target)
        return;
    std::size_t n = std::min<std::size_t>(text.size(), std::size_t(size - 1));
    std::memcpy(target, text.data(), n);
    target[n] = '\0';
}

}  // namespace

FT_STATUS FT_Open(int deviceNumber, FT_HANDLE* handle)
{
    if (!handle)
        return FT_INVALID_PARAMETER;
    *handle = nullptr;
    std::unique_ptr<Device> device;
    const char* socketPath = std::getenv("KVX_LOGGER_SOCKET");
    FT_STATUS status;
    if (socketPath && *socketPath)
        status = deviceNumber == 0 ? SocketDevice::open(socketPath, device) : FT_DEVICE_NOT_FOUND;
    else
        status = FtdiDevice::open(deviceNumber, device);
    if (status == FT_OK)
        *handle = add(std::move(device));
    return status;
}

FT_STATUS FT_OpenEx(PVOID, DWORD, FT_HANDLE* handle)
{
    if (!handle)
        return FT_INVALID_PARAMETER;
    *handle = nullptr;
    return FT_NOT_SUPPORTED;
}

FT_STATUS FT_ListDevices(PVOID, PVOID, DWORD)
{
    return FT_NOT_SUPPORTED;
}

FT_STATUS FT_Close(FT_HANDLE handle)
{
    std::shared_ptr<Device> device = remove(handle);
    if (!device)
        return FT_INVALID_HANDLE;
    device->close();
    return FT_OK;
}

FT_STATUS FT_Read(FT_HANDLE handle, LPVOID buffer, DWORD count, LPDWORD returned)
{
    std::shared_ptr<Device> device = find(handle);
    if (!device)
        return FT_INVALID_HANDLE;
    if (!returned || (!buffer && count > 0))
        return FT_INVALID_PARAMETER;
    *returned = 0;
    if (count == 0)
        return FT_OK;
    return device->read(static_cast<UCHAR*>(buffer), count, returned);
}

FT_STATUS FT_Write(FT_HANDLE handle, LPVOID buffer, DWORD count, LPDWORD written)
{
    std::shared_ptr<Device> device = find(handle);
    if (!device)
        return FT_INVALID_HANDLE;
    if (!written || (!buffer && count > 0))
        return FT_INVALID_PARAMETER;
    *written = 0;
    if (count == 0)
        return FT_OK;
    return device->write(static_cast<const UCHAR*>(buffer), count, written);
}

FT_STATUS FT_ResetDevice(FT_HANDLE handle)
{
    std::shared_ptr<Device> device = find(handle);
    return device ? device->reset() : FT_INVALID_HANDLE;
}

FT_STATUS FT_Purge(FT_HANDLE handle, ULONG mask)
{
    std::shared_ptr<Device> device = find(handle);
    return device ? device->purge(mask) : FT_INVALID_HANDLE;
}

FT_STATUS FT_SetTimeouts(FT_HANDLE handle, ULONG readTimeoutMs, ULONG writeTimeoutMs)
{
    std::shared_ptr<Device> device = find(handle);
    if (!device)
        return FT_INVALID_HANDLE;
    device->setTimeouts(readTimeoutMs, writeTimeoutMs);
    return FT_OK;
}

FT_STATUS FT_GetQueueStatus(FT_HANDLE handle, DWORD* rxBytes)
{
    std::shared_ptr<Device> device = find(handle);
    if (!device)
        return FT_INVALID_HANDLE;
    if (!rxBytes)
        return FT_INVALID_PARAMETER;
    *rxBytes = 0;
    return device->queueStatus(rxBytes);
}

FT_STATUS FT_GetStatus(FT_HANDLE handle, DWORD* rxBytes, DWORD* txBytes, DWORD* eventStatus)
{
    std::shared_ptr<Device> device = find(handle);
    if (!device)
        return FT_INVALID_HANDLE;
    if (!rxBytes || !txBytes || !eventStatus)
        return FT_INVALID_PARAMETER;
    // Writes complete before FT_Write returns and no events are kept.
    *txBytes = 0;
    *eventStatus = 0;
    *rxBytes = 0;
    return device->queueStatus(rxBytes);
}

FT_STATUS FT_SetBreakOn(FT_HANDLE handle)
{
    return find(handle) ? FT_NOT_SUPPORTED : FT_INVALID_HANDLE;
}

FT_STATUS FT_SetBreakOff(FT_HANDLE handle)
{
    return find(handle) ? FT_NOT_SUPPORTED : FT_INVALID_HANDLE;
}

FT_STATUS FT_SetEventNotification(FT_HANDLE handle, DWORD, PVOID)
{
    return find(handle) ? FT_NOT_SUPPORTED : FT_INVALID_HANDLE;
}

FT_STATUS FT_EE_Read(FT_HANDLE handle, PFT_PROGRAM_DATA data)
{
    std::shared_ptr<Device> device = find(handle);
    if (!device)
        return FT_INVALID_HANDLE;
    if (!data)
        return FT_INVALID_PARAMETER;
    const EepromInfo& info = device->eeprom();
    data->VendorId = info.vendorId;
    data->ProductId = info.productId;
    copyText(data->Manufacturer, FT_EE_MANUFACTURER_SIZE, info.manufacturer);
    copyText(data->ManufacturerId, FT_EE_MANUFACTURER_ID_SIZE, info.manufacturerId);
    copyText(data->Description, FT_EE_DESCRIPTION_SIZE, info.description);
    copyText(data->SerialNumber, FT_EE_SERIAL_NUMBER_SIZE, info.serialNumber);
    return FT_OK;
}

// The logger's EEPROM is never rewritten from here.
FT_STATUS FT_EE_Program(FT_HANDLE handle, PFT_PROGRAM_DATA)
{
    return find(handle) ? FT_NOT_SUPPORTED : FT_INVALID_HANDLE;
}

FT_STATUS FT_EE_UARead(FT_HANDLE handle, PUCHAR, DWORD, LPDWORD bytesRead)
{
    if (!find(handle))
        return FT_INVALID_HANDLE;
    if (bytesRead)
        *bytesRead = 0;
    return FT_NOT_SUPPORTED;
}

#ifndef FTD2XX_OMIT_EE_UAWRITE
FT_STATUS FT_EE_UAWrite(FT_HANDLE handle, PUCHAR, DWORD)
{
    return find(handle) ? FT_NOT_SUPPORTED : FT_INVALID_HANDLE;
}
#endif

// No user area is offered.
FT_STATUS FT_EE_UASize(FT_HANDLE handle, LPDWORD size)
{
    if (!find(handle))
        return FT_INVALID_HANDLE;
    if (!size)
        return FT_INVALID_PARAMETER;
    *size = 0;
    return FT_OK;
}

FT_STATUS FT_GetLatencyTimer(FT_HANDLE handle, PUCHAR timerMs)
{
    std::shared_ptr<Device> device = find(handle);
    if (!device)
        return FT_INVALID_HANDLE;
    if (!timerMs)
        return FT_INVALID_PARAMETER;
    return device->getLatencyTimer(timerMs);
}

FT_STATUS FT_SetLatencyTimer(FT_HANDLE handle, UCHAR timerMs)
{
    std::shared_ptr<Device> device = find(handle);
    if (!device)
        return FT_INVALID_HANDLE;
    // The chip's timer counts from 1 ms.
    if (timerMs == 0)
        return FT_INVALID_PARAMETER;
    return device->setLatencyTimer(timerMs);
}
