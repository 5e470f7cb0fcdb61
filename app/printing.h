#pragma once
// The Print and Page Setup commands: the printer and page settings the two
// dialogs share for the life of the frame, and the margins kept in the settings.
#include <windows.h>
#include <commdlg.h>
#include <string>
#include "base/handles.h"

class tQuilletClient;

class tPrinting {
public:
    explicit tPrinting(HWND frame);  // the margins come from the settings
    tPrinting(const tPrinting&) = delete;
    tPrinting& operator=(const tPrinting&) = delete;

    // The Print dialog, then the job for the client's topics as documentName.
    // A job that fails is explained, unless stopped says by then that the
    // program ends (which stopped it).
    void Print(tQuilletClient& client, const std::string& documentName, const bool& stopped);
    // The Page Setup dialog; its margins are stored, also after a cancel.
    void PageSetup();

private:
    HWND frame_;  // borrowed
    PRINTDLGA printDlg_ = {};
    PAGESETUPDLGA pageSetupDlg_ = {};
    tGlobal devMode_;
    tGlobal devNames_;
};
