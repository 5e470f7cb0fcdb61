#include "base/window_text.h"
#include <vector>

std::string WindowText(HWND window) {
    LRESULT length = SendMessageA(window, WM_GETTEXTLENGTH, 0, 0);
    if (length <= 0) return std::string();
    std::vector<char> buffer(size_t(length) + 1, '\0');
    LRESULT got =
        SendMessageA(window, WM_GETTEXT, buffer.size(), reinterpret_cast<LPARAM>(buffer.data()));
    if (got < 0) got = 0;
    if (got > length) got = length;
    return std::string(buffer.data(), size_t(got));
}
