// The smart context menu of the edit control: URL menu, shell menu or plain menu.
#include "base/errors.h"
#include "base/handles.h"
#include "base/names.h"
#include "base/settings.h"
#include "client/context_menu.h"
#include "base/window_text.h"
#include "client/edit.h"
#include "client/url.h"
#include "resources/resource.h"
#include <shlobj.h>

namespace {

constexpr UINT kFirstShellCommand = 1;
constexpr UINT kLastShellCommand = 0x7FFE;
constexpr UINT kPropertiesCommand = 0x7FFF;

}  // namespace

namespace {
// An item list from the shell, freed by the shell's allocator.
class tItemList {
public:
    tItemList() = default;
    ~tItemList() { if (allocator_ && items_) allocator_->Free(items_); }
    tItemList(const tItemList&) = delete;
    tItemList& operator=(const tItemList&) = delete;
    bool Allocate() { return SUCCEEDED(SHGetMalloc(allocator_.put())); }
    LPITEMIDLIST get() const { return items_; }
    LPITEMIDLIST* put() { return &items_; }
private:
    tComPtr<IMalloc> allocator_;  // released after the list it freed
    LPITEMIDLIST items_ = nullptr;
};
}  // namespace

tContextMenus::tContextMenus() {
    smart_ = GetConfigDword(kConfig, "UseSmartContextMenus", 1) != 0;
    menu_.reset(LoadMenuA(GetModuleHandleA(nullptr), "CONTEXT_MENU"));
    Check(bool(menu_));
    editMenu_ = GetSubMenu(menu_.get(), 0);
    urlMenu_ = GetSubMenu(menu_.get(), 1);
    Check(editMenu_ != nullptr && urlMenu_ != nullptr);
}

HMENU tContextMenus::Choose(HWND edit, int x, int y) {
    selectedUrl_.clear();  // Open URL acts on the URL of the menu shown last, if it was one
    at_ = POINT{x, y};
    if (!ClientToScreen(edit, &at_)) return nullptr;
    if (smart_) {
        size_t start, end;
        GetFullSelection(edit, start, end);
        std::string candidate = SelectionCandidate(WindowText(edit), start, end);
        if (!candidate.empty()) {
            if (UrlProgramKind(candidate)) {
                if (!HasWhitespace(candidate)) {
                    selectedUrl_ = candidate;
                    return urlMenu_;
                }
            } else if (LooksLikeFullPath(candidate) &&
                       GetFileAttributesA(candidate.c_str()) != INVALID_FILE_ATTRIBUTES &&
                       ShowShellMenu(GetParent(edit), candidate)) {
                return nullptr;
            }
        }
    }
    return editMenu_;
}

bool tContextMenus::ShowShellMenu(HWND wnd, const std::string& path) {
    const int x = at_.x, y = at_.y;
    tItemList items;
    tComPtr<IShellFolder> desktop;
    if (!items.Allocate() || FAILED(SHGetDesktopFolder(desktop.put()))) return false;
    WCHAR wide[MAX_PATH] = {};
    if (MultiByteToWideChar(CP_ACP, MB_PRECOMPOSED, path.c_str(), -1, wide, MAX_PATH) == 0)
        return false;
    if (FAILED(desktop->ParseDisplayName(nullptr, nullptr, wide, nullptr, items.put(), nullptr)) ||
        !items.get())
        return false;

    // Split the list into its parent and its last item.
    LPITEMIDLIST last = items.get();
    for (LPITEMIDLIST next = last; next->mkid.cb != 0;
         next = reinterpret_cast<LPITEMIDLIST>(reinterpret_cast<BYTE*>(next) + next->mkid.cb))
        last = next;
    USHORT savedSize = last->mkid.cb;
    last->mkid.cb = 0;
    tComPtr<IShellFolder> parent;
    HRESULT bound = desktop->BindToObject(items.get(), nullptr, IID_IShellFolder,
                                          reinterpret_cast<void**>(parent.put()));
    last->mkid.cb = savedSize;
    if (FAILED(bound) || !parent) return false;

    LPCITEMIDLIST child = last;
    tComPtr<IContextMenu> shellMenu;
    if (FAILED(parent->GetUIObjectOf(wnd, 1, &child, IID_IContextMenu, nullptr,
                                     reinterpret_cast<void**>(shellMenu.put()))))
        return false;
    tMenu popup(CreatePopupMenu());
    if (!popup) return false;
    if (FAILED(shellMenu->QueryContextMenu(popup.get(), 0, kFirstShellCommand, kLastShellCommand,
                                           CMF_VERBSONLY)))
        return false;
    AppendMenuA(popup.get(), MF_SEPARATOR, 0, nullptr);
    AppendMenuA(popup.get(), MF_STRING, kPropertiesCommand, "P&roperties");

    UINT chosen = UINT(TrackPopupMenu(popup.get(), TPM_RIGHTBUTTON | TPM_RETURNCMD, x, y, 0, wnd,
                                      nullptr));
    if (chosen != 0) {
        CMINVOKECOMMANDINFO invoke = {};
        invoke.cbSize = sizeof invoke;
        invoke.hwnd = wnd;
        invoke.lpVerb = chosen == kPropertiesCommand
                            ? "properties"
                            : MAKEINTRESOURCEA(chosen - kFirstShellCommand);
        invoke.nShow = SW_SHOWNORMAL;
        if (FAILED(shellMenu->InvokeCommand(&invoke)))
            MessageBoxA(wnd, "Failed to invoke command", kAppCaption, MB_ICONERROR);
    }
    return true;
}

void tContextMenus::OpenUrl(HWND wnd) {
    // Only a text that passed the prefix test reaches the shell, whoever sent the command.
    const char* kind = UrlProgramKind(selectedUrl_);
    if (!kind || HasWhitespace(selectedUrl_)) return;
    HINSTANCE result = ShellExecuteA(nullptr, "open", selectedUrl_.c_str(), nullptr, nullptr,
                                     SW_SHOWNORMAL);
    if (reinterpret_cast<INT_PTR>(result) > 32) return;
    std::string warning = std::string("Failed to open URL -\nplease ensure you have a suitable ") +
                          kind + " installed";
    MessageBoxA(wnd, warning.c_str(), kAppCaption, MB_ICONWARNING);
}

void tContextMenus::SetSmart(bool on) {
    smart_ = on;
    SetConfigDword(kConfig, "UseSmartContextMenus", on ? 1 : 0);
}
