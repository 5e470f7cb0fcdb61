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
