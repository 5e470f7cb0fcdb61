#include "client/tray.h"
#include "app/errors.h"
#include "app/frame.h"
#include "app/globals.h"
#include "app/handles.h"
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
    trayData.hWnd = app.frameWnd;
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
        HDC colourDc = CreateCompatibleDC(screen.get());
        Check(colourDc != nullptr);
        HDC maskDc = CreateCompatibleDC(screen.get());
        if (!maskDc) DeleteDC(colourDc);
        Check(maskDc != nullptr);
        bool drawn = true;
        {
            tSelectObject selectColour(colourDc, colour.get());
            tSelectObject selectMask(maskDc, mask.get());
            HBRUSH black = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
            HBRUSH white = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
            RECT all = {0, 0, width, height};
            drawn = FillRect(colourDc, &all, black) && FillRect(maskDc, &all, white);
            int i = 0;
            for (const RECT& sheet : TraySheetRects(width, height)) {
                drawn = drawn && FillRect(colourDc, &sheet, (i % 2 == 0) ? sheetBrush : black) &&
                        FillRect(maskDc, &sheet, black);
                ++i;
            }
        }
        DeleteDC(maskDc);
        DeleteDC(colourDc);
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
    if (app.noTray) return;
    if (trayIconBuilt) DestroyIcon(trayData.hIcon);
    trayIconBuilt = false;
    HICON icon = DrawTrayIcon(wnd, backgroundBrush);
    trayIconBuilt = icon != nullptr;
    trayData.hIcon = icon ? icon : LoadIconA(app.hInstance, "MAIN_ICON");
    lstrcpynA(trayData.szTip, TrayTipText(app.titleText).c_str(), 64);
    // The taskbar may not exist yet (a start at log-on): the icon is added
    // again when the taskbar announces itself, so a refusal here is not fatal.
    if (!Shell_NotifyIconA(adding ? NIM_ADD : NIM_MODIFY, &trayData) && !adding)
        Shell_NotifyIconA(NIM_ADD, &trayData);
    if (app.window) SetFrameIcon(*app.window, trayData.hIcon);
}

void tQuilletClient::RemoveTrayIcon() {
    if (app.noTray) return;
    Shell_NotifyIconA(NIM_DELETE, &trayData);
    if (trayIconBuilt) DestroyIcon(trayData.hIcon);
    trayIconBuilt = false;
    trayData.hIcon = nullptr;
}
