#pragma once
// The settings store: keys of the current user with typed values, kept in a
// file under $XDG_CONFIG_HOME/nobrivo/ (NOBRIVO_CONFIG_DIR overrides). Every
// change is written at once through a temporary file and a rename, so the
// file is always whole; a damaged file reads as empty and the next change
// replaces it (the damaged one is kept beside it as "registry.damaged").
// Key and value names ignore letter case. Other roots than the current user
// exist but are empty and read-only.

#include <cstdint>
#include <string>

#include "platform/Types.h"

struct TRegistryKeyObject;
using HKEY = TRegistryKeyObject*;
inline HKEY const HKEY_CLASSES_ROOT = reinterpret_cast<HKEY>(uintptr_t(0x80000000));
inline HKEY const HKEY_CURRENT_USER = reinterpret_cast<HKEY>(uintptr_t(0x80000001));
inline HKEY const HKEY_LOCAL_MACHINE = reinterpret_cast<HKEY>(uintptr_t(0x80000002));
inline HKEY const HKEY_USERS = reinterpret_cast<HKEY>(uintptr_t(0x80000003));
inline HKEY const HKEY_CURRENT_CONFIG = reinterpret_cast<HKEY>(uintptr_t(0x80000005));

using REGSAM = DWORD;
enum : REGSAM {
  KEY_QUERY_VALUE = 0x0001,
  KEY_SET_VALUE = 0x0002,
  KEY_CREATE_SUB_KEY = 0x0004,
  KEY_ENUMERATE_SUB_KEYS = 0x0008,
  KEY_NOTIFY = 0x0010,
  KEY_READ = 0x20019,
  KEY_WRITE = 0x20006,
  KEY_EXECUTE = 0x20019,
  KEY_ALL_ACCESS = 0xF003F,
};
enum : DWORD {
  REG_NONE = 0,
  REG_SZ = 1,
  REG_EXPAND_SZ = 2,
  REG_BINARY = 3,
  REG_DWORD = 4,
  REG_MULTI_SZ = 7,
  REG_QWORD = 11,
};
enum : DWORD { REG_CREATED_NEW_KEY = 1, REG_OPENED_EXISTING_KEY = 2 };
enum : LONG {
  ERROR_SUCCESS = 0,
  ERROR_FILE_NOT_FOUND = 2,
  ERROR_ACCESS_DENIED = 5,
  ERROR_INVALID_HANDLE = 6,
  ERROR_INVALID_PARAMETER = 87,
  ERROR_MORE_DATA = 234,
  ERROR_NO_MORE_ITEMS = 259,
  ERROR_CANTWRITE = 1013,
  ERROR_KEY_DELETED = 1018,
};

// subKey may be empty or null (the key itself) and uses '\' between names.
LONG RegOpenKeyEx(HKEY key, const char* subKey, DWORD options, REGSAM access, HKEY* result);
LONG RegCreateKeyEx(HKEY key, const char* subKey, DWORD reserved, const char* keyClass,
                    DWORD options, REGSAM access, void* security, HKEY* result, DWORD* disposition);
LONG RegCloseKey(HKEY key);
LONG RegFlushKey(HKEY key);
// A null or empty name is the key's default value. With data null the size
// needed is reported; a buffer too small answers ERROR_MORE_DATA with the
// size needed. Strings are stored as given (callers include the final 0).
LONG RegQueryValueEx(HKEY key, const char* name, DWORD* reserved, DWORD* type, BYTE* data,
                     DWORD* size);
LONG RegSetValueEx(HKEY key, const char* name, DWORD reserved, DWORD type, const BYTE* data,
                   DWORD size);
LONG RegDeleteValue(HKEY key, const char* name);
// Deletes a key that has no subkeys.
LONG RegDeleteKey(HKEY key, const char* subKey);
// Subkeys and values in the order of their names (letter case ignored).
// nameSize: in, the buffer's size; out, the name's length without the 0.
LONG RegEnumKeyEx(HKEY key, DWORD index, char* name, DWORD* nameSize);
LONG RegEnumValue(HKEY key, DWORD index, char* name, DWORD* nameSize, DWORD* reserved, DWORD* type,
                  BYTE* data, DWORD* dataSize);
LONG RegQueryInfoKey(HKEY key, DWORD* subKeys, DWORD* maxSubKeyLen, DWORD* values,
                     DWORD* maxValueNameLen, DWORD* maxValueLen);

// The file the store lives in.
std::string RegistryFilePath();
// For tests: the next file write fails after this many bytes (negative: never).
void RegistryFailWritesAfter(int64_t bytes);
