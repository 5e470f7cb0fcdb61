#pragma once
// The program's failure types. Failed system calls throw tQuilletError right
// where they happen; the window procedures turn it into the fatal-error path.
#include <windows.h>

struct tQuilletError {
    const char* message = nullptr;  // null for every failure the program raises itself
    HRESULT code = E_FAIL;          // what the failed call reported, where it said
};

inline void Check(bool ok) {
    if (!ok) throw tQuilletError{};
}

inline void CheckHr(HRESULT hr) {
    if (FAILED(hr)) throw tQuilletError{nullptr, hr};
}

constexpr HRESULT FromWin32(DWORD error) {
    return HRESULT((error & 0xFFFF) | (FACILITY_WIN32 << 16) | 0x80000000);
}

// Failures of the medium rather than of the program: a full disk, a medium
// that is gone or write-protected. The changes can wait in memory for it.
inline bool IsMediumFailure(HRESULT hr) {
    switch (hr) {
    case STG_E_MEDIUMFULL:
    case STG_E_WRITEFAULT:
    case STG_E_DISKISWRITEPROTECTED:
    case STG_E_CANTSAVE:
    case FromWin32(ERROR_DISK_FULL):
    case FromWin32(ERROR_HANDLE_DISK_FULL):
    case FromWin32(ERROR_WRITE_PROTECT):
    case FromWin32(ERROR_NOT_READY):
    case FromWin32(ERROR_DEV_NOT_EXIST):
    case FromWin32(ERROR_NETNAME_DELETED):
    case FromWin32(ERROR_UNEXP_NET_ERR):
        return true;
    default:
        return false;
    }
}
