#pragma once
// OrvaneCir: the scheduled-sync trigger, a stream driver that the device-manager host loads as "CIR0:".
//
// It does no device work. CIR_Init starts one worker thread that checks every 300 seconds whether the
// user's scheduled Sync is due (IsScheduledSyncDue) and then starts the handset program through the
// shell; CIR_Deinit stops it within about a second. It reads the settings and summary values of the
// registry and writes nothing. The other entry points do nothing and return 1.

#include "platform/Clock.h"
#include "platform/StreamDriver.h"

#include <cstdint>

// Whether the scheduled Sync is due at `now`: "Sync-Period" is a non-zero REG_DWORD, "QX-key" a non-empty
// text, both halves of the last sync time present as REG_DWORDs, and IsSyncDue says so. Any registry
// failure or missing value gives false.
bool IsScheduledSyncDue(FileTime now);

extern "C" {
DriverContext CIR_Init(DriverContext activeKey);
int CIR_Deinit(DriverContext deviceContext);
DriverContext CIR_Open(DriverContext deviceContext, std::uint32_t access, std::uint32_t shareMode);
int CIR_Close(DriverContext openContext);
std::uint32_t CIR_Read(DriverContext openContext, void* buffer, std::uint32_t count);
std::uint32_t CIR_Write(DriverContext openContext, const void* buffer, std::uint32_t count);
std::uint32_t CIR_Seek(DriverContext openContext, std::int32_t amount, std::uint32_t type);
int CIR_IOControl(DriverContext openContext, std::uint32_t code, void* in, std::uint32_t inSize, void* out,
                  std::uint32_t outSize, std::uint32_t* actualOut);
}
