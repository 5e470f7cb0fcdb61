// The smart context menu of the edit control: URL menu, shell menu or plain menu.
#include "app/errors.h"
#include "app/globals.h"
#include "app/settings.h"
#include "client/client.h"
#include "client/edit.h"
#include "client/url.h"
#include "resources/resource.h"
#include <shlobj.h>

namespace {

constexpr UINT kFirstShellCommand = 1;
constexpr UINT kLastShellCommand = 0x7FFE;
constexpr UINT kPropertiesCommand = 0x7FFF;

void TrackMenu(HMENU menu, int x, int y, HWND owner) {
    TrackPopupMenu(menu, TPM_RIGHTBUTTON, x, y, 0, owner, nullptr);
}

}  // namespace

// Releases the shell objects of one shell-menu request, whatever happened.
struct tQuilletClient::tCleanup {
    IShellFolder* desktop = nullptr;
    LPITEMIDLIST items = nullptr;
    IContextMenu* contextMenu = nullptr;
    IShellFolder* parent = nullptr;
    IMalloc* allocator = nullptr;
    HMENU popup = nullptr;

    tCleanup() = default;
    tCleanup(const tCleanup&) = delete;
    tCleanup& operator=(const tCleanup&) = delete;
    ~tCleanup() {
        if (desktop) desktop->Release();
        if (parent) parent->Release();
        if (contextMenu) contextMenu->Release();
        if (allocator && items) allocator->Free(items);
        if (allocator) allocator->Release();
        if (popup) DestroyMenu(popup);
    }
};

void tQuilletClient::ShowContextMenu(int x, int y) {
    POINT at = {x, y};
    if (!ClientToScreen(editWnd, &at)) return;
    if (useSmartContextMenus) {
        size_t start, end;
        GetFullSelection(editWnd, start, end);
        std::string candidate = SelectionCandidate(EditControlText(editWnd), start, end);
        if (!candidate.empty()) {
            if (UrlProgramKind(candidate)) {
                if (!HasWhitespace(candidate)) {
                    selectedUrl = candidate;
                    PrepareEditMenu(urlMenu);
                    TrackMenu(urlMenu, at.x, at.y, app.frameWnd);
                    return;
                }
            } else if (LooksLikeFullPath(candidate) &&
                       GetFileAttributesA(candidate.c_str()) != INVALID_FILE_ATTRIBUTES &&
                       ShowShellContextMenu(at.x, at.y, candidate)) {
                return;
            }
        }
    }
    PrepareEditMenu(editMenu);
    TrackMenu(editMenu, at.x, at.y, app.frameWnd);
}

bool tQuilletClient::ShowShellContextMenu(int x, int y, const std::string& path) {
    tCleanup cleanup;
    if (FAILED(SHGetMalloc(&cleanup.allocator)) || FAILED(SHGetDesktopFolder(&cleanup.desktop)))
        return false;
    WCHAR wide[MAX_PATH] = {};
    if (MultiByteToWideChar(CP_ACP, MB_PRECOMPOSED, path.c_str(), -1, wide, MAX_PATH) == 0)
        return false;
    if (FAILED(cleanup.desktop->ParseDisplayName(nullptr, nullptr, wide, nullptr, &cleanup.items,
                                                 nullptr)) ||
        !cleanup.items)
        return false;

    // Split the list into its parent and its last item.
    LPITEMIDLIST last = cleanup.items;
    for (LPITEMIDLIST next = last; next->mkid.cb != 0;
         next = reinterpret_cast<LPITEMIDLIST>(reinterpret_cast<BYTE*>(next) + next->mkid.cb))
        last = next;
    USHORT savedSize = last->mkid.cb;
    last->mkid.cb = 0;
    HRESULT bound = cleanup.desktop->BindToObject(cleanup.items, nullptr, IID_IShellFolder,
                                                  reinterpret_cast<void**>(&cleanup.parent));
    last->mkid.cb = savedSize;
    if (FAILED(bound) || !cleanup.parent) return false;

    LPCITEMIDLIST child = last;
    if (FAILED(cleanup.parent->GetUIObjectOf(wnd, 1, &child, IID_IContextMenu, nullptr,
                                             reinterpret_cast<void**>(&cleanup.contextMenu))))
        return false;
    cleanup.popup = CreatePopupMenu();
    if (!cleanup.popup) return false;
    if (FAILED(cleanup.contextMenu->QueryContextMenu(cleanup.popup, 0, kFirstShellCommand,
                                                     kLastShellCommand, CMF_VERBSONLY)))
        return false;
    AppendMenuA(cleanup.popup, MF_SEPARATOR, 0, nullptr);
    AppendMenuA(cleanup.popup, MF_STRING, kPropertiesCommand, "P&roperties");

    UINT chosen = UINT(TrackPopupMenu(cleanup.popup, TPM_RIGHTBUTTON | TPM_RETURNCMD, x, y, 0, wnd,
                                      nullptr));
    if (chosen != 0) {
        CMINVOKECOMMANDINFO invoke = {};
        invoke.cbSize = sizeof invoke;
        invoke.hwnd = wnd;
        invoke.lpVerb = chosen == kPropertiesCommand
                            ? "properties"
                            : MAKEINTRESOURCEA(chosen - kFirstShellCommand);
        invoke.nShow = SW_SHOWNORMAL;
        if (FAILED(cleanup.contextMenu->InvokeCommand(&invoke)))
            MessageBoxA(wnd, "Failed to invoke command", kAppCaption, MB_ICONERROR);
    }
    return true;
}

void tQuilletClient::OpenUrl() {
    // Only a text that passed the prefix test reaches the shell, whoever sent the command.
    const char* kind = UrlProgramKind(selectedUrl);
    if (!kind || HasWhitespace(selectedUrl)) return;
    HINSTANCE result = ShellExecuteA(nullptr, "open", selectedUrl.c_str(), nullptr, nullptr,
                                     SW_SHOWNORMAL);
    if (reinterpret_cast<INT_PTR>(result) > 32) return;
    std::string warning = std::string("Failed to open URL -\nplease ensure you have a suitable ") +
                          kind + " installed";
    MessageBoxA(wnd, warning.c_str(), kAppCaption, MB_ICONWARNING);
}

void tQuilletClient::SetSmartContextMenus(bool on) {
    useSmartContextMenus = on;
    SetConfigDword(kConfig, "UseSmartContextMenus", on ? 1 : 0);
}
