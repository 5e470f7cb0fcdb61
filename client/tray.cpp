#include "client/tray.h"
#include "base/errors.h"
#include "base/handles.h"
#include "client/client.h"
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

void tQuilletClient::FillTrayData() {
    trayData = {};
    trayData.cbSize = NOTIFYICONDATAA_V1_SIZE;
    trayData.hWnd = settings.frame;
    trayData.uID = 0;
    trayData.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    trayData.uCallbackMessage = WM_TRAY_CALLBACK;
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

void tQuilletClient::UpdateTrayIcon(bool adding) {
    if (settings.noTray) return;
    trayIcon.reset(DrawTrayIcon(wnd, backgroundBrush.get()));
    trayData.hIcon = trayIcon ? trayIcon.get() : LoadIconA(GetModuleHandleA(nullptr), "MAIN_ICON");
    lstrcpynA(trayData.szTip, TrayTipText(titleText).c_str(), 64);
    // The taskbar may not exist yet (a start at log-on): the icon is added
    // again when the taskbar announces itself, so a refusal here is not fatal.
    if (!Shell_NotifyIconA(adding ? NIM_ADD : NIM_MODIFY, &trayData) && !adding)
        Shell_NotifyIconA(NIM_ADD, &trayData);
    if (settings.frame) {
        SetClassLongPtrA(settings.frame, GCLP_HICON, reinterpret_cast<LONG_PTR>(trayData.hIcon));
        SetClassLongPtrA(settings.frame, GCLP_HICONSM, reinterpret_cast<LONG_PTR>(trayData.hIcon));
    }
}

void tQuilletClient::RemoveTrayIcon() {
    if (settings.noTray) return;
    Shell_NotifyIconA(NIM_DELETE, &trayData);
    trayData.hIcon = nullptr;
    trayIcon.reset();
}
