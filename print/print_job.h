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

// The running job's "Print" box, which the abort procedure and the box's own
// procedure share: the abort procedure has no parameter to carry it.
struct tPrintBoxState {
    HWND owner = nullptr;   // disabled while the job runs; borrowed
    HWND box = nullptr;
    bool cancelled = false;
    tCallbackFailure failure;
};
tPrintBoxState& PrintBox();

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

INT_PTR CALLBACK AbortDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
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
