#pragma once
// Our own declaration of the D2XX driver interface that the program loads at run time:
// the types, status codes and the 21 entry points, with a pointer type for each.
#include <cstdint>

using DWORD = std::uint32_t;
using WORD = std::uint16_t;
using ULONG = std::uint32_t;
using UCHAR = unsigned char;
using PUCHAR = UCHAR*;
using LPDWORD = DWORD*;
using PVOID = void*;
using LPVOID = void*;

using FT_HANDLE = void*;
using FT_STATUS = ULONG;

enum : FT_STATUS {
    FT_OK = 0,
    FT_INVALID_HANDLE = 1,
    FT_DEVICE_NOT_FOUND = 2,
    FT_DEVICE_NOT_OPENED = 3,
    FT_IO_ERROR = 4,
    FT_INSUFFICIENT_RESOURCES = 5,
    FT_INVALID_PARAMETER = 6,
    FT_INVALID_BAUD_RATE = 7,
    FT_DEVICE_NOT_OPENED_FOR_ERASE = 8,
    FT_DEVICE_NOT_OPENED_FOR_WRITE = 9,
    FT_FAILED_TO_WRITE_DEVICE = 10,
    FT_EEPROM_READ_FAILED = 11,
    FT_EEPROM_WRITE_FAILED = 12,
    FT_EEPROM_ERASE_FAILED = 13,
    FT_EEPROM_NOT_PRESENT = 14,
    FT_EEPROM_NOT_PROGRAMMED = 15,
    FT_INVALID_ARGS = 16,
    FT_NOT_SUPPORTED = 17,
    FT_OTHER_ERROR = 18,
};

// Masks of FT_Purge.
constexpr ULONG FT_PURGE_RX = 1;
constexpr ULONG FT_PURGE_TX = 2;

// Sizes of the caller's buffers behind the text pointers of FT_PROGRAM_DATA: FT_EE_Read
// writes at most this many bytes, terminator included, and skips null pointers.
constexpr int FT_EE_MANUFACTURER_SIZE = 32;
constexpr int FT_EE_MANUFACTURER_ID_SIZE = 16;
constexpr int FT_EE_DESCRIPTION_SIZE = 64;
constexpr int FT_EE_SERIAL_NUMBER_SIZE = 16;

// EEPROM contents. FT_EE_Read fills the ids and the four texts and leaves the other fields alone.
struct FT_PROGRAM_DATA {
    DWORD Signature1;  // 0x00000000
    DWORD Signature2;  // 0xFFFFFFFF
    DWORD Version;
    WORD VendorId;
    WORD ProductId;
    char* Manufacturer;
    char* ManufacturerId;
    char* Description;
    char* SerialNumber;
};
using PFT_PROGRAM_DATA = FT_PROGRAM_DATA*;

// Only the entry points leave the library.
#define FTD2XX_API __attribute__((visibility("default")))

extern "C" {
FTD2XX_API FT_STATUS FT_Write(FT_HANDLE handle, LPVOID buffer, DWORD count, LPDWORD written);
FTD2XX_API FT_STATUS FT_Read(FT_HANDLE handle, LPVOID buffer, DWORD count, LPDWORD returned);
FTD2XX_API FT_STATUS FT_Open(int deviceNumber, FT_HANDLE* handle);
FTD2XX_API FT_STATUS FT_OpenEx(PVOID arg, DWORD flags, FT_HANDLE* handle);
FTD2XX_API FT_STATUS FT_ListDevices(PVOID arg1, PVOID arg2, DWORD flags);
FTD2XX_API FT_STATUS FT_Close(FT_HANDLE handle);
FTD2XX_API FT_STATUS FT_ResetDevice(FT_HANDLE handle);
FTD2XX_API FT_STATUS FT_Purge(FT_HANDLE handle, ULONG mask);
FTD2XX_API FT_STATUS FT_SetTimeouts(FT_HANDLE handle, ULONG readTimeoutMs, ULONG writeTimeoutMs);
FTD2XX_API FT_STATUS FT_GetQueueStatus(FT_HANDLE handle, DWORD* rxBytes);
FTD2XX_API FT_STATUS FT_SetBreakOn(FT_HANDLE handle);
FTD2XX_API FT_STATUS FT_SetBreakOff(FT_HANDLE handle);
FTD2XX_API FT_STATUS FT_GetStatus(FT_HANDLE handle, DWORD* rxBytes, DWORD* txBytes, DWORD* eventStatus);
FTD2XX_API FT_STATUS FT_SetEventNotification(FT_HANDLE handle, DWORD mask, PVOID param);
FTD2XX_API FT_STATUS FT_EE_Read(FT_HANDLE handle, PFT_PROGRAM_DATA data);
FTD2XX_API FT_STATUS FT_EE_Program(FT_HANDLE handle, PFT_PROGRAM_DATA data);
FTD2XX_API FT_STATUS FT_EE_UARead(FT_HANDLE handle, PUCHAR data, DWORD length, LPDWORD bytesRead);
FTD2XX_API FT_STATUS FT_EE_UAWrite(FT_HANDLE handle, PUCHAR data, DWORD length);
FTD2XX_API FT_STATUS FT_EE_UASize(FT_HANDLE handle, LPDWORD size);
FTD2XX_API FT_STATUS FT_GetLatencyTimer(FT_HANDLE handle, PUCHAR timerMs);
FTD2XX_API FT_STATUS FT_SetLatencyTimer(FT_HANDLE handle, UCHAR timerMs);
}

// The pointer types under which the program keeps the resolved entry points.
using PFN_FT_Write = decltype(&FT_Write);
using PFN_FT_Read = decltype(&FT_Read);
using PFN_FT_Open = decltype(&FT_Open);
using PFN_FT_OpenEx = decltype(&FT_OpenEx);
using PFN_FT_ListDevices = decltype(&FT_ListDevices);
using PFN_FT_Close = decltype(&FT_Close);
using PFN_FT_ResetDevice = decltype(&FT_ResetDevice);
using PFN_FT_Purge = decltype(&FT_Purge);
using PFN_FT_SetTimeouts = decltype(&FT_SetTimeouts);
using PFN_FT_GetQueueStatus = decltype(&FT_GetQueueStatus);
using PFN_FT_SetBreakOn = decltype(&FT_SetBreakOn);
using PFN_FT_SetBreakOff = decltype(&FT_SetBreakOff);
using PFN_FT_GetStatus = decltype(&FT_GetStatus);
using PFN_FT_SetEventNotification = decltype(&FT_SetEventNotification);
using PFN_FT_EE_Read = decltype(&FT_EE_Read);
using PFN_FT_EE_Program = decltype(&FT_EE_Program);
using PFN_FT_EE_UARead = decltype(&FT_EE_UARead);
using PFN_FT_EE_UAWrite = decltype(&FT_EE_UAWrite);
using PFN_FT_EE_UASize = decltype(&FT_EE_UASize);
using PFN_FT_GetLatencyTimer = decltype(&FT_GetLatencyTimer);
using PFN_FT_SetLatencyTimer = decltype(&FT_SetLatencyTimer);
