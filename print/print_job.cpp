#include "print/print_job.h"
#include <commdlg.h>
#include <algorithm>
#include <climits>
#include <cmath>
#include <exception>
#include "base/errors.h"
#include "base/handles.h"
#include "print/layout.h"
#include "print/metrics.h"
#include "print/page_gdi.h"
#include "resources/resource.h"

namespace {

int ToPixels(LONG margin, int dpi, double divisor) {
    if (margin <= 0 || dpi <= 0) return 0;
    double pixels = std::trunc(double(margin) * dpi / divisor);
    return pixels >= double(INT_MAX) ? INT_MAX : int(pixels);
}

tPrintingBox* runningBox = nullptr;  // the box of the job that runs now

std::vector<tPage> LayOutTopics(HWND owner, const std::vector<tPrintTopic>& topics,
                                tPrintMetrics& metrics) {
    tWaitCursor busy;
    std::vector<tPrintableTopic> printable;
    printable.reserve(topics.size());
    const tTextWidths widths = BodyTextWidths(metrics);
    for (const tPrintTopic& topic : topics)
        printable.push_back(MakePrintableTopic(metrics, widths, topic));
    return PackPages(printable, metrics, [owner] { ShowTitleTooLarge(owner); });
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

tPrintOutcome PrintJob(HWND owner, HDC hdc, const std::string& documentName,
                       const std::vector<tPrintTopic>& topics, int copies, bool collate,
                       const LOGFONTA* textLogFont, const LOGFONTA* titleLogFont, const RECT& margins) {
    bool ok = false;
    DWORD failure = 0;
    tPrintingBox box(owner);
    {
        tPrintMetrics metrics(hdc, textLogFont, titleLogFont, &margins);
        DOCINFOA info = {};
        info.cbSize = sizeof info;
        info.lpszDocName = documentName.c_str();
        std::vector<tPage> pages = LayOutTopics(owner, topics, metrics);

        SetAbortProc(hdc, AbortProc);
        tPrintDocument document(hdc, info);
        if (document.Started()) {
            ok = true;
            for (size_t page : PrintOrder(pages.size(), copies, collate)) {
                ok = PrintPage(pages[page], metrics);
                if (!ok) failure = GetLastError();
                // The "Print" box sees its messages between pages.
                if (ok && !AbortProc(hdc, 0)) ok = false;
                box.RethrowFailure();
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
    tPrintOutcome outcome;
    outcome.cancelled = box.Cancelled();
    outcome.printed = ok && !outcome.cancelled;
    outcome.error = failure;
    return outcome;
}

tPrintingBox::tPrintingBox(HWND owner) : owner_(owner), outer_(runningBox) {
    EnableWindow(owner, FALSE);
    box_ = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_PRINTING), owner,
                              DialogProc, reinterpret_cast<LPARAM>(this));
    if (!box_) EnableWindow(owner, TRUE);
    Check(box_ != nullptr);
    runningBox = this;
}

tPrintingBox::~tPrintingBox() {
    runningBox = outer_;
    if (closed_ || cancelled_) return;
    DestroyWindow(box_);
    EnableWindow(owner_, TRUE);
}

void tPrintingBox::Close() {
    if (closed_ || cancelled_) return;
    closed_ = true;
    EnableWindow(owner_, TRUE);
    Check(DestroyWindow(box_) != 0);
}

void tPrintingBox::Cancel() {
    // The job throws a failure again between pages; the box is gone by then.
    failure_.Run(
        [&] {
            cancelled_ = true;
            EnableWindow(owner_, TRUE);
            HWND box = box_;
            box_ = nullptr;
            if (box) Check(DestroyWindow(box) != 0);
            return true;
        },
        [] {}, true);
}

INT_PTR CALLBACK tPrintingBox::DialogProc(HWND dialog, UINT message, WPARAM, LPARAM lParam) {
    if (message == WM_INITDIALOG) SetWindowLongPtrA(dialog, DWLP_USER, lParam);
    auto* box = reinterpret_cast<tPrintingBox*>(GetWindowLongPtrA(dialog, DWLP_USER));
    if (message != WM_COMMAND || !box) return FALSE;
    box->Cancel();
    return TRUE;
}

BOOL CALLBACK AbortProc(HDC, int) {
    tPrintingBox* box = runningBox;
    if (!box) return TRUE;
    MSG msg;
    while (!box->cancelled_ && PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            // The quit message stops the job as Cancel does, and is passed on
            // to the loops below this one.
            PostQuitMessage(int(msg.wParam));
            box->Cancel();
            break;
        }
        if (box->box_ && IsDialogMessageA(box->box_, &msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return !box->cancelled_;
}
