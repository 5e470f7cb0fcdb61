#pragma once
// Reading windows of this or another process, for answering boxes from tests.
#include <windows.h>
#include <string>

constexpr DWORD kSendTimeoutMs = 5000;

inline std::string ClassName(HWND wnd) {
    char name[64] = {};
    GetClassNameA(wnd, name, sizeof name);
    return name;
}

// Works across processes too: the text is fetched with WM_GETTEXT.
inline std::string TextOf(HWND wnd) {
    char text[4096] = {};
    DWORD_PTR result = 0;
    SendMessageTimeoutA(wnd, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text),
                        SMTO_ABORTIFHUNG, kSendTimeoutMs, &result);
    return text;
}
