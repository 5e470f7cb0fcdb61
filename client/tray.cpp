#include "client/tray.h"
#include "base/errors.h"
#include "base/handles.h"
#include "resources/resource.h"

std::array<RECT, 5> TraySheetRects(int width, int height) {
    int sx = width / 16;
    int sy = height / 16;
    std::array<RECT, 5> sheets;
    RECT sheet = {5 * sx, sy, 5 * sx + width - 6 * sx, sy + height - 6 * sy};
    for (RECT& r : sheets) {
        r = sheet;
        OffsetRect(&sheet, -sx, sy);
    }
    return sheets;
}

std::string TrayTipText(const std::string& title) {
    return title.substr(0, 63);
}

tTrayIcon::tTrayIcon(HWND frame) {
    data_.cbSize = NOTIFYICONDATAA_V1_SIZE;
    data_.hWnd = frame;
    data_.uID = 0;
    data_.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    data_.uCallbackMessage = WM_TRAY_CALLBACK;
}

namespace {

// Draws the pad of sheets; returns null when the icon itself cannot be made.
HICON DrawTrayIcon(HWND wnd, HBRUSH sheetBrush) {
    tWindowDC screen(wnd);
    Check(screen.get() != nullptr);
    int width = GetSystemMetrics(SM_CXICON);
    int height = GetSystemMetrics(SM_CYICON);

    tBitmap colour(CreateCompatibleBitmap(screen.get(), width, height));
    Check(bool(colour));
    tBitmap mask(CreateBitmap(width, height, 1, 1, nullptr));
    Check(bool(mask));
    {
        tDC colourDc(CreateCompatibleDC(screen.get()));
        Check(bool(colourDc));
        tDC maskDc(CreateCompatibleDC(screen.get()));
        Check(bool(maskDc));
        bool drawn = true;
        {
            tSelectObject selectColour(colourDc.get(), colour.get());
            tSelectObject selectMask(maskDc.get(), mask.get());
            HBRUSH black = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
            HBRUSH white = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
            RECT all = {0, 0, width, height};
            drawn = FillRect(colourDc.get(), &all, black) && FillRect(maskDc.get(), &all, white);
            int i = 0;
            for (const RECT& sheet : TraySheetRects(width, height)) {
                drawn = drawn &&
                        FillRect(colourDc.get(), &sheet, (i % 2 == 0) ? sheetBrush : black) &&
                        FillRect(maskDc.get(), &sheet, black);
                ++i;
            }
        }
        Check(drawn);
    }
    ICONINFO info = {};
    info.fIcon = TRUE;
    info.hbmMask = mask.get();
    info.hbmColor = colour.get();
    return CreateIconIndirect(&info);  // the icon keeps its own copies of the bitmaps
}

}  // namespace

void tTrayIcon::Show(HBRUSH sheetBrush, const std::string& title, tTrayShow how) {
    bool adding = how == tTrayShow::add;
    icon_.reset(DrawTrayIcon(data_.hWnd, sheetBrush));
    data_.hIcon = icon_ ? icon_.get() : LoadIconA(GetModuleHandleA(nullptr), "MAIN_ICON");
    lstrcpynA(data_.szTip, TrayTipText(title).c_str(), 64);
    // The taskbar may not exist yet (a start at log-on): the icon is added
    // again when the taskbar announces itself, so a refusal here is not fatal.
    if (!Shell_NotifyIconA(adding ? NIM_ADD : NIM_MODIFY, &data_) && !adding)
        Shell_NotifyIconA(NIM_ADD, &data_);
    shown_ = true;
    if (data_.hWnd) {
        SetClassLongPtrA(data_.hWnd, GCLP_HICON, reinterpret_cast<LONG_PTR>(data_.hIcon));
        SetClassLongPtrA(data_.hWnd, GCLP_HICONSM, reinterpret_cast<LONG_PTR>(data_.hIcon));
    }
}

void tTrayIcon::Remove() {
    if (!shown_) return;
    shown_ = false;
    Shell_NotifyIconA(NIM_DELETE, &data_);
    data_.hIcon = nullptr;
    icon_.reset();
}
