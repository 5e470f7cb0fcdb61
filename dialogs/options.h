#pragma once
// The Options property sheet: Appearance and Configuration pages.
#include <windows.h>

// What the pages show and change; the sheet's owner answers.
class tOptionsOwner {
public:
    virtual bool AutoWrap() const = 0;
    virtual void SetAutoWrap(bool wrap) = 0;
    virtual void ChooseTextFont(HWND page) = 0;
    virtual void ChooseBackgroundColour(HWND page) = 0;
    virtual void ChooseTextColour(HWND page) = 0;
    virtual void ChooseTabFont(HWND page) = 0;

    virtual bool IsDefaultFile() const = 0;
    virtual void SetDefaultFile(bool on) = 0;
    virtual bool LaptopMode() const = 0;
    virtual unsigned LaptopSavePeriod() const = 0;
    virtual void SetLaptopOptions(bool mode, unsigned period) = 0;
    virtual bool SmartContextMenus() const = 0;
    virtual void SetSmartContextMenus(bool on) = 0;
    virtual bool RunAtStartup() const = 0;
    virtual void SetRunAtStartup(bool on) = 0;

protected:
    ~tOptionsOwner() = default;
};

INT_PTR CALLBACK AppearancePageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK ConfigPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);

// The save period the Configuration page accepts: a number from 1 to 60.
bool SavePeriodAcceptable(bool isNumber, unsigned minutes);

// Shows the sheet modally, owned by the top-level window parent, which it
// disables while it is up; a failure inside a page is thrown here.
void RunOptionsSheet(HWND parent, tOptionsOwner& owner);
