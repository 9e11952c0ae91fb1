// Registry helpers of the service: read one value under HKEY_LOCAL_MACHINE,
// write one string value (creating its key), delete a key with its subtree.
// Plain functions returning true on success; every step is traced.
#pragma once

#include <windows.h>

// Size of the private read buffer of GetRegParam and of the worker's path
// and subkey-name buffers.
constexpr DWORD REG_HELPER_BUFFER_SIZE = 260;
// DelRegNode's copy of the caller's subkey path.
constexpr DWORD REG_DELNODE_PATH_SIZE = 520;

// The shape of RegDeleteKeyExA: root key, subkey path, view, reserved;
// returns a Windows error code.
typedef LONG(WINAPI* RegDeleteKeyExFn)(HKEY hKey, LPCSTR lpSubKey, REGSAM samDesired, DWORD reserved);

// Reads value `pSubkey` of key `pKey` (below HKEY_LOCAL_MACHINE) into `buffer`.
// `*bufferLength` is the buffer's size; it is only read. The buffer is zeroed
// first and left zero when the value is longer than the buffer or than 260 bytes.
bool GetRegParam(const char* pKey, const char* pSubkey, unsigned char* buffer, const DWORD* bufferLength);

// Stores `length` bytes of `pSubKeyValue` as REG_SZ (no NUL added) in value
// `pSubKey` (null: the default value) of `hKey`\`pKey`, creating the key path.
bool SetRegParam(HKEY hKey, const char* pKey, const char* pSubKey, const char* pSubKeyValue, DWORD length);

// Deletes `hKey`\`lpSubKey` with everything beneath it; a missing key is success.
bool DelRegNode(HKEY hKey, const char* lpSubKey);

// The depth-first worker of DelRegNode, deleting through `deleteKey`.
bool DelRegNodeRecurse(RegDeleteKeyExFn deleteKey, HKEY hKey, const char* lpSubKey);

// ---- Pure helpers (no OS calls) ----
namespace reg_tools {

// Copies `path` into `buffer` (`size` bytes) followed by one backslash unless
// it already ends with one. Returns the length written, or 0 when it does not
// fit (the buffer is then left empty).
size_t PathWithSeparator(const char* path, char* buffer, size_t size);

// Appends `child` at `buffer + offset` when it fits whole; false otherwise.
bool AppendChildName(char* buffer, size_t size, size_t offset, const char* child);

// A NUL-terminated copy of at most `length` bytes of `value`, stopping at its
// first NUL and cut to `size` - 1 characters: the value as a trace can show it.
void PrintableValue(const char* value, DWORD length, char* out, size_t size);

}  // namespace reg_tools
