#pragma once
// The print job: the Print and Page Setup commands, the document with its
// copies, the "Print" box that cancels a running job, and the plain decisions
// behind them that tests call directly.
#include <windows.h>
#include <commdlg.h>
#include <string>
#include <vector>
#include "base/callback_failure.h"
#include "print/layout.h"

// Text of the "Quillet - printing terminated" box for the error code a failed
// job left behind. Codes outside the print errors read as a cancel when the
// user cancelled, otherwise as a general error.
const char* PrintErrorText(DWORD lastError, bool cancelled);

// Page-setup margins (left, top, right, bottom) in the dialog's units turned
// into printer pixels. The unit comes from the dialog's flags; before the
// dialog has run they name none, and the numbers are taken in the unit the
// dialog itself would use (metric or not). Negative numbers count as 0 and
// the results stay within an int.
RECT MarginsInPixels(const RECT& margins, DWORD pageSetupFlags, bool metricUnits, int dpiX,
                     int dpiY);

// Whether the page inside the margins (all in printer pixels, the margins as
// stored, so anything at all) leaves room for text: an inch each way.
bool MarginsLeaveRoom(int pageWidth, int pageHeight, const RECT& margins, int dpiX, int dpiY);

// Whether this user's locale measures in millimetres.
bool LocaleIsMetric();

// The order in which the job prints its pages, as page indices: with collate
// the whole document once per copy, otherwise every page copies times before
// the next.
std::vector<size_t> PrintOrder(size_t pageCount, int copies, bool collate);

// What the Print dialog asked for.
struct tPrintRequest {
    int copies = 1;
    bool collate = false;
    bool selectionOnly = false;
};
tPrintRequest RequestFromDialog(const PRINTDLGA& dialog);

constexpr const char* kPrintTerminatedCaption = "Quillet - printing terminated";
constexpr const char* kMarginsTooLarge = "Margins too large for the page";

// The "Print" box over its disabled owner while a job runs. Close() ends that
// normally; a job left by an exception still gets its owner back. The abort
// procedure has no parameter to carry the box: it reaches the box of the job
// that runs now, which only exists for the job's length.
class tPrintingBox {
public:
    explicit tPrintingBox(HWND owner);
    ~tPrintingBox();
    tPrintingBox(const tPrintingBox&) = delete;
    tPrintingBox& operator=(const tPrintingBox&) = delete;

    void Close();  // after a cancel the box has already done it all
    bool Cancelled() const { return cancelled_; }
    HWND Window() const { return box_; }
    // Throws again what failed in a message the box's pump handed on.
    void RethrowFailure() { failure_.Rethrow(); }

private:
    friend BOOL CALLBACK AbortProc(HDC hdc, int code);
    static INT_PTR CALLBACK DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
    void Cancel();  // the job stops at the next page; the owner is given back at once

    HWND owner_;  // borrowed
    HWND box_ = nullptr;
    bool cancelled_ = false;
    bool closed_ = false;
    tCallbackFailure failure_;
    tPrintingBox* outer_;  // the box of a job this one runs within, if any
};

// How a print job ended.
struct tPrintOutcome {
    bool printed = false;    // every page and the document were accepted, and no one cancelled
    bool cancelled = false;  // Cancel in the "Print" box
    DWORD error = 0;         // what the call that failed left behind
};

// Prints topics as one document named documentName, with the "Print" box over owner.
tPrintOutcome PrintJob(HWND owner, HDC hdc, const std::string& documentName,
                       const std::vector<tPrintTopic>& topics, int copies, bool collate,
                       const LOGFONTA* textLogFont, const LOGFONTA* titleLogFont, const RECT& margins);

// Passes messages on while a page prints; false once the job is cancelled.
BOOL CALLBACK AbortProc(HDC hdc, int code);

// StartDoc, then EndDoc when asked, or AbortDoc when the scope ends first.
class tPrintDocument {
public:
    tPrintDocument(HDC hdc, const DOCINFOA& info);
    ~tPrintDocument();
    tPrintDocument(const tPrintDocument&) = delete;
    tPrintDocument& operator=(const tPrintDocument&) = delete;

    bool Started() const { return started_; }
    bool End();  // false when the printer refused the end of the document

private:
    HDC hdc_;  // borrowed
    bool started_ = false;
    bool ended_ = false;
};
