// Configuration library of the VPN client (Profstore.dll): loads, saves and
// imports the VPN configuration. The service imports it by name through its
// import table; every function may be called from several threads. The
// contract both the service and our stand-in of the library build against.
#pragma once

#include "profstore/ProfstoreErrors.h"

#include <cstdint>

#ifdef PROFSTORE_BUILD
#define PROFSTORE_API __declspec(dllexport)
#else
#define PROFSTORE_API __declspec(dllimport)
#endif

// Bytes of `data` VPNConfLoad reads at most (the data block of a
// configuration request); it stops earlier at a NUL.
constexpr uint32_t PROFSTORE_DATA_SIZE = 660;

// Size of a configuration record handed to VPNConfUnload.
constexpr uint32_t PROFSTORE_RECORD_SIZE = 852;

// Size of the digest VPNCFG_HashBuf writes.
constexpr uint32_t PROFSTORE_DIGEST_SIZE = 32;

extern "C" {

// Loads the configuration (`data` null or empty), or imports one (`data` =
// "name=<configuration name>|<path of a file>"). 1 on success; 0 on failure,
// whose code VPNConfGetLastError gives.
PROFSTORE_API int VPNConfLoad(uint32_t argL, uint32_t argA, char* data);

// Writes the loaded configuration back; `flag` is 1 for a save, 0 for an
// update. 1 on success; 0 on failure, as above.
PROFSTORE_API int VPNConfSave(uint32_t argS, uint32_t argA, uint8_t flag);

// Error code of the last failed call in this process; 0 when none failed.
PROFSTORE_API uint32_t VPNConfGetLastError(void);

// Releases one PROFSTORE_RECORD_SIZE-byte configuration record: its 32-bit
// words at offsets 4 and 844 become 0xFFFF and its bytes 8 to 843 zero.
PROFSTORE_API void VPNConfUnload(void* record);

// SHA-256 of `inputLength` bytes at `input` into `output`, whose length must
// be PROFSTORE_DIGEST_SIZE. 1 on success; 0 on failure, as above.
PROFSTORE_API int VPNCFG_HashBuf(const void* input, uint32_t inputLength, void* output, uint32_t outputLength);
}
