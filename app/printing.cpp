#include "app/printing.h"
#include "base/settings.h"
#include "client/client.h"
#include "print/print_job.h"

tPrinting::tPrinting(HWND frame) : frame_(frame) {
    printDlg_.lStructSize = sizeof printDlg_;
    printDlg_.hwndOwner = frame_;
    printDlg_.Flags = PD_RETURNDC | PD_NOPAGENUMS;
    printDlg_.nCopies = 1;
    pageSetupDlg_.lStructSize = sizeof pageSetupDlg_;
    pageSetupDlg_.hwndOwner = frame_;
    pageSetupDlg_.Flags = PSD_MARGINS;
    pageSetupDlg_.rtMargin.left = LONG(GetConfigDword(kPrinting, "LeftMargin", 0));
    pageSetupDlg_.rtMargin.top = LONG(GetConfigDword(kPrinting, "TopMargin", 0));
    pageSetupDlg_.rtMargin.right = LONG(GetConfigDword(kPrinting, "RightMargin", 0));
    pageSetupDlg_.rtMargin.bottom = LONG(GetConfigDword(kPrinting, "BottomMargin", 0));
}

void tPrinting::Print(tQuilletClient& client, const std::string& documentName, const bool& stopped) {
    printDlg_.Flags = PD_RETURNDC | PD_NOPAGENUMS;
    printDlg_.nCopies = 1;
    // The dialog may free and replace the printer settings it is given.
    printDlg_.hDevMode = devMode_.release();
    printDlg_.hDevNames = devNames_.release();
    printDlg_.hDC = nullptr;
    BOOL chosen = PrintDlgA(&printDlg_);
    devMode_.reset(printDlg_.hDevMode);
    devNames_.reset(printDlg_.hDevNames);
    printDlg_.hDevMode = nullptr;
    printDlg_.hDevNames = nullptr;
    tDC printer(printDlg_.hDC);
    printDlg_.hDC = nullptr;
    if (!chosen || !printer) return;

    const int dpiX = GetDeviceCaps(printer.get(), LOGPIXELSX);
    const int dpiY = GetDeviceCaps(printer.get(), LOGPIXELSY);
    RECT margins = MarginsInPixels(pageSetupDlg_.rtMargin, pageSetupDlg_.Flags, LocaleIsMetric(),
                                   dpiX, dpiY);
    // Otherwise the text would come out a character or two a line over
    // page after page.
    if (!MarginsLeaveRoom(GetDeviceCaps(printer.get(), HORZRES),
                          GetDeviceCaps(printer.get(), VERTRES), margins, dpiX, dpiY)) {
        MessageBoxA(frame_, kMarginsTooLarge, kPrintTerminatedCaption, MB_ICONWARNING);
        return;
    }
    tPrintRequest request = RequestFromDialog(printDlg_);
    tPrintOutcome outcome = client.PrintTopics(printer.get(), request.copies, request.collate,
                                               request.selectionOnly, margins, documentName);
    if (outcome.printed || stopped) return;
    MessageBoxA(frame_, PrintErrorText(outcome.error, outcome.cancelled), kPrintTerminatedCaption,
                MB_ICONWARNING);
}

void tPrinting::PageSetup() {
    pageSetupDlg_.hDevMode = devMode_.release();
    pageSetupDlg_.hDevNames = devNames_.release();
    PageSetupDlgA(&pageSetupDlg_);
    devMode_.reset(pageSetupDlg_.hDevMode);
    devNames_.reset(pageSetupDlg_.hDevNames);
    pageSetupDlg_.hDevMode = nullptr;
    pageSetupDlg_.hDevNames = nullptr;
    // Stored as the dialog gives them, also after a cancel (then unchanged).
    SetConfigDword(kPrinting, "TopMargin", DWORD(pageSetupDlg_.rtMargin.top));
    SetConfigDword(kPrinting, "BottomMargin", DWORD(pageSetupDlg_.rtMargin.bottom));
    SetConfigDword(kPrinting, "LeftMargin", DWORD(pageSetupDlg_.rtMargin.left));
    SetConfigDword(kPrinting, "RightMargin", DWORD(pageSetupDlg_.rtMargin.right));
}
