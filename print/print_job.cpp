#include "print/print_job.h"
#include <commdlg.h>
#include <algorithm>
#include <climits>
#include <cmath>
#include <exception>
#include "app/errors.h"
#include "app/frame.h"
#include "app/globals.h"
#include "app/handles.h"
#include "app/settings.h"
#include "client/client.h"
#include "print/layout.h"
#include "print/metrics.h"
#include "print/page_gdi.h"
#include "resources/resource.h"

namespace {

constexpr const char* kPrintTerminatedCaption = "Quillet - printing terminated";
constexpr const char* kMarginsTooLarge = "Margins too large for the page";

// A failure inside the "Print" box's procedure is carried out of the dialog
// manager's frames and thrown again by the job.
std::exception_ptr& AbortBoxFailure() {
    static std::exception_ptr failure;
    return failure;
}

void ThrowAbortBoxFailure() {
    std::exception_ptr failure = AbortBoxFailure();
    AbortBoxFailure() = nullptr;
    if (failure) std::rethrow_exception(failure);
}

int ToPixels(LONG margin, int dpi, double divisor) {
    if (margin <= 0 || dpi <= 0) return 0;
    double pixels = std::trunc(double(margin) * dpi / divisor);
    return pixels >= double(INT_MAX) ? INT_MAX : int(pixels);
}

// The frame is disabled and the "Print" box shown while the job runs. Close()
// ends that normally; a job left by an exception still gets its frame back.
class tPrintingBox {
public:
    tPrintingBox() {
        app.printCancelled = false;
        AbortBoxFailure() = nullptr;
        EnableWindow(app.frameWnd, FALSE);
        HWND box = CreateDialogParamA(app.hInstance, MAKEINTRESOURCEA(IDD_PRINTING), app.frameWnd,
                                      AbortDlgProc, 0);
        if (!box) EnableWindow(app.frameWnd, TRUE);
        Check(box != nullptr);
        app.abortDlgWnd = box;
    }
    ~tPrintingBox() {
        if (closed_) return;
        if (app.abortDlgWnd) DestroyWindow(app.abortDlgWnd);
        app.abortDlgWnd = nullptr;
        EnableWindow(app.frameWnd, TRUE);
    }
    tPrintingBox(const tPrintingBox&) = delete;
    tPrintingBox& operator=(const tPrintingBox&) = delete;

    // After a cancel the box's own procedure has already done both.
    void Close() {
        closed_ = true;
        if (app.printCancelled) return;
        EnableWindow(app.frameWnd, TRUE);
        HWND box = app.abortDlgWnd;
        app.abortDlgWnd = nullptr;
        Check(DestroyWindow(box) != 0);
    }

private:
    bool closed_ = false;
};

// The wait cursor while the topics are measured and packed.
class tWaitCursor {
public:
    tWaitCursor() : old_(app.waitCursor ? SetCursor(app.waitCursor) : nullptr) {}
    ~tWaitCursor() { if (app.waitCursor) SetCursor(old_); }
    tWaitCursor(const tWaitCursor&) = delete;
    tWaitCursor& operator=(const tWaitCursor&) = delete;
private:
    HCURSOR old_;
};

std::vector<tPage> LayOutTopics(const std::vector<tTopic>& topics, tPrintMetrics& metrics) {
    tWaitCursor busy;
    std::vector<tPrintableTopic> printable;
    printable.reserve(topics.size());
    for (const tTopic& topic : topics) printable.push_back(MakePrintableTopic(metrics, topic));
    return PackPages(printable, metrics, ShowTitleTooLarge);
}

}  // namespace

const char* PrintErrorText(DWORD lastError, bool cancelled) {
    switch (LONG(lastError)) {
    case SP_ERROR: return "General error";
    case SP_APPABORT: return "Cancelled from program";
    case SP_USERABORT: return "Cancelled by user";
    case SP_OUTOFDISK: return "Out of disk space";
    case SP_OUTOFMEMORY: return "Out of memory";
    default: return cancelled ? "Cancelled by user" : "General error";
    }
}

RECT MarginsInPixels(const RECT& margins, DWORD pageSetupFlags, bool metricUnits, int dpiX,
                     int dpiY) {
    double divisor;
    if (pageSetupFlags & PSD_INHUNDREDTHSOFMILLIMETERS)
        divisor = 2540.0;
    else if (pageSetupFlags & PSD_INTHOUSANDTHSOFINCHES)
        divisor = 1000.0;
    else
        divisor = metricUnits ? 2540.0 : 1000.0;
    RECT pixels;
    pixels.left = ToPixels(margins.left, dpiX, divisor);
    pixels.top = ToPixels(margins.top, dpiY, divisor);
    pixels.right = ToPixels(margins.right, dpiX, divisor);
    pixels.bottom = ToPixels(margins.bottom, dpiY, divisor);
    return pixels;
}

bool MarginsLeaveRoom(int pageWidth, int pageHeight, const RECT& margins, int dpiX, int dpiY) {
    const long long width = static_cast<long long>(pageWidth) - margins.left - margins.right;
    const long long height = static_cast<long long>(pageHeight) - margins.top - margins.bottom;
    return width >= std::max(dpiX, 1) && height >= std::max(dpiY, 1);
}

bool LocaleIsMetric() {
    char measure[4] = {};
    if (!GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_IMEASURE, measure, sizeof measure)) return true;
    return measure[0] == '0';
}

std::vector<size_t> PrintOrder(size_t pageCount, int copies, bool collate) {
    std::vector<size_t> order;
    if (copies < 1) copies = 1;
    order.reserve(pageCount * size_t(copies));
    if (collate) {
        for (int copy = 0; copy < copies; ++copy)
            for (size_t page = 0; page < pageCount; ++page) order.push_back(page);
    } else {
        for (size_t page = 0; page < pageCount; ++page)
            for (int copy = 0; copy < copies; ++copy) order.push_back(page);
    }
    return order;
}

tPrintRequest RequestFromDialog(const PRINTDLGA& dialog) {
    tPrintRequest request;
    request.copies = dialog.nCopies < 1 ? 1 : dialog.nCopies;
    request.collate = (dialog.Flags & PD_COLLATE) != 0;
    request.selectionOnly = (dialog.Flags & PD_SELECTION) != 0;
    return request;
}

tPrintDocument::tPrintDocument(HDC hdc, const DOCINFOA& info) : hdc_(hdc) {
    started_ = StartDocA(hdc, &info) > 0;
}

tPrintDocument::~tPrintDocument() {
    if (started_ && !ended_) AbortDoc(hdc_);
}

bool tPrintDocument::End() {
    ended_ = true;
    return EndDoc(hdc_) > 0;
}

bool PrintJob(HDC hdc, const std::vector<tTopic>& topics, int copies, bool collate,
              const LOGFONTA* textLogFont, const LOGFONTA* titleLogFont, const RECT& margins) {
    bool ok = false;
    DWORD failure = 0;
    tPrintingBox box;
    {
        tPrintMetrics metrics(hdc, textLogFont, titleLogFont, &margins);
        DOCINFOA info = {};
        info.cbSize = sizeof info;
        info.lpszDocName = app.titleText.c_str();
        std::vector<tPage> pages = LayOutTopics(topics, metrics);

        SetAbortProc(hdc, AbortProc);
        tPrintDocument document(hdc, info);
        if (document.Started()) {
            ok = true;
            for (size_t page : PrintOrder(pages.size(), copies, collate)) {
                ok = PrintPage(pages[page], metrics);
                if (!ok) failure = GetLastError();
                // The "Print" box sees its messages between pages.
                if (ok && !AbortProc(hdc, 0)) ok = false;
                ThrowAbortBoxFailure();
                if (!ok) break;
            }
            if (ok && !document.End()) {
                failure = GetLastError();
                ok = false;
            }
        } else {
            failure = GetLastError();
        }
    }
    box.Close();
    SetLastError(failure);
    return ok && !app.printCancelled;
}

INT_PTR CALLBACK AbortDlgProc(HWND dialog, UINT message, WPARAM, LPARAM) {
    if (message != WM_COMMAND) return FALSE;
    try {
        app.printCancelled = true;
        EnableWindow(app.frameWnd, TRUE);
        app.abortDlgWnd = nullptr;
        Check(DestroyWindow(dialog) != 0);
    } catch (...) {
        AbortBoxFailure() = std::current_exception();
    }
    return TRUE;
}

BOOL CALLBACK AbortProc(HDC, int) {
    MSG msg;
    while (!app.printCancelled && PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (app.abortDlgWnd && IsDialogMessageA(app.abortDlgWnd, &msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return !app.printCancelled;
}

void tQuilletWindow::Print() {
    printDlg.Flags = PD_RETURNDC | PD_NOPAGENUMS;
    printDlg.nCopies = 1;
    printDlg.hDevMode = devMode;
    printDlg.hDevNames = devNames;
    printDlg.hDC = nullptr;
    BOOL chosen = PrintDlgA(&printDlg);
    devMode = printDlg.hDevMode;
    devNames = printDlg.hDevNames;
    printDlg.hDevMode = nullptr;
    printDlg.hDevNames = nullptr;
    tDC printer(printDlg.hDC);
    printDlg.hDC = nullptr;
    if (!chosen || !printer || !app.client) return;

    const int dpiX = GetDeviceCaps(printer.get(), LOGPIXELSX);
    const int dpiY = GetDeviceCaps(printer.get(), LOGPIXELSY);
    RECT margins = MarginsInPixels(pageSetupDlg.rtMargin, pageSetupDlg.Flags, LocaleIsMetric(),
                                   dpiX, dpiY);
    // Otherwise the text would come out a character or two a line over
    // page after page.
    if (!MarginsLeaveRoom(GetDeviceCaps(printer.get(), HORZRES),
                          GetDeviceCaps(printer.get(), VERTRES), margins, dpiX, dpiY)) {
        MessageBoxA(hwnd, kMarginsTooLarge, kPrintTerminatedCaption, MB_ICONWARNING);
        return;
    }
    tPrintRequest request = RequestFromDialog(printDlg);
    bool printed;
    {
        struct tPrinting {
            tPrinting() { app.printing = true; }
            ~tPrinting() { app.printing = false; }
        } printing;
        printed = app.client->PrintTopics(printer.get(), request.copies, request.collate,
                                          request.selectionOnly, margins);
    }
    if (app.endAfterPrinting) {
        // The job was cancelled for Shut Down: carry it out now.
        app.endAfterPrinting = false;
        PostMessageA(hwnd, WM_COMMAND, MAKEWPARAM(CM_SHUTDOWN, 0), 0);
        return;
    }
    if (!printed) {
        DWORD code = GetLastError();
        MessageBoxA(hwnd, PrintErrorText(code, app.printCancelled), kPrintTerminatedCaption,
                    MB_ICONWARNING);
    }
}

void tQuilletWindow::PageSetup() {
    pageSetupDlg.hDevMode = devMode;
    pageSetupDlg.hDevNames = devNames;
    PageSetupDlgA(&pageSetupDlg);
    devMode = pageSetupDlg.hDevMode;
    devNames = pageSetupDlg.hDevNames;
    pageSetupDlg.hDevMode = nullptr;
    pageSetupDlg.hDevNames = nullptr;
    // Stored as the dialog gives them, also after a cancel (then unchanged).
    SetConfigDword(kPrinting, "TopMargin", DWORD(pageSetupDlg.rtMargin.top));
    SetConfigDword(kPrinting, "BottomMargin", DWORD(pageSetupDlg.rtMargin.bottom));
    SetConfigDword(kPrinting, "LeftMargin", DWORD(pageSetupDlg.rtMargin.left));
    SetConfigDword(kPrinting, "RightMargin", DWORD(pageSetupDlg.rtMargin.right));
}

bool tQuilletClient::PrintTopics(HDC hdc, int copies, bool collate, bool selectionOnly,
                                 const RECT& margins) {
    SaveTopics(true);  // the printout shows what is on the screen
    const LOGFONTA* text = textFont ? &textLogFont : nullptr;
    const LOGFONTA* titles = tabFont ? &tabLogFont : nullptr;
    if (!selectionOnly) return PrintJob(hdc, topics, copies, collate, text, titles, margins);
    std::vector<tTopic> current;
    if (currentTopic >= 0 && size_t(currentTopic) < topics.size())
        current.push_back(topics[size_t(currentTopic)]);
    return PrintJob(hdc, current, copies, collate, text, titles, margins);
}
