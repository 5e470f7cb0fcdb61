#pragma once
// The edit control's context menus: the URL menu for a selected URL, the
// shell's own menu for a selected path, the plain menu otherwise.
#include <windows.h>
#include <string>
#include "base/handles.h"

class tContextMenus {
public:
    tContextMenus();  // loads "CONTEXT_MENU"; reads whether smart menus are on

    // Shows the fitting menu at (x, y) of the edit control; its commands go to
    // commandOwner (the frame). prepare readies the plain or URL menu's items.
    template <typename Prepare>
    void Show(HWND edit, int x, int y, HWND commandOwner, Prepare&& prepare) {
        HMENU menu = Choose(edit, x, y);
        if (!menu) return;
        prepare(menu);
        TrackPopupMenu(menu, TPM_RIGHTBUTTON, at_.x, at_.y, 0, commandOwner, nullptr);
    }
    // Whether menu is one of the two pop-ups (they open as a pop-up at position 0).
    bool Owns(HMENU menu) const { return menu && (menu == editMenu_ || menu == urlMenu_); }

    // Opens the URL the last URL menu was shown for.
    void OpenUrl(HWND owner);
    bool Smart() const { return smart_; }
    void SetSmart(bool on);

private:
    // The menu to show, or null when the shell's own menu was shown.
    HMENU Choose(HWND edit, int x, int y);
    bool ShowShellMenu(HWND edit, const std::string& path);

    tMenu menu_;
    HMENU editMenu_ = nullptr;  // borrowed from menu_
    HMENU urlMenu_ = nullptr;   // borrowed from menu_
    bool smart_ = true;
    std::string selectedUrl_;
    POINT at_ = {};
};
