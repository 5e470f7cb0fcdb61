#include "dialogs/find_all_dialog.h"
#include "base/errors.h"
#include "base/guard.h"
#include "base/window_text.h"
#include "dialogs/list_cell.h"
#include "resources/resource.h"
#include <commctrl.h>
#include <utility>

namespace {

// How each control follows a resized dialog: moved right, widened, moved down, made taller.
enum : unsigned { kMoveX = 1, kGrowX = 2, kMoveY = 4, kGrowY = 8 };
struct tAnchor {
    int id;
    unsigned follows;
};
constexpr tAnchor kAnchors[] = {
    {IDC_FIND_ALL_TEXT, kGrowX},   {IDOK, kMoveX},           {IDCANCEL, kMoveX},
    {IDC_FIND_ALL_LIST, kGrowX | kGrowY}, {IDC_FIND_ALL_STATUS, kGrowX | kMoveY},
};
static_assert(sizeof kAnchors / sizeof *kAnchors <= 8, "room for every resized control");

// Column widths of Topic and Line in dialog units; Text takes the rest.
constexpr int kTopicWidth = 70;
constexpr int kLineWidth = 30;

void AddColumn(HWND list, int index, const char* title, int width) {
    LVCOLUMNA column = {};
    column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
    column.pszText = const_cast<char*>(title);
    column.cx = width;
    column.iSubItem = index;
    SendMessageA(list, LVM_INSERTCOLUMNA, WPARAM(index), reinterpret_cast<LPARAM>(&column));
}

int DialogUnitsToPixels(HWND dialog, int units) {
    RECT r = {0, 0, units, 0};
    MapDialogRect(dialog, &r);
    return r.right;
}

void SetRowState(HWND list, int row, UINT state) {
    LVITEMA item = {};
    item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    item.state = state;
    SendMessageA(list, LVM_SETITEMSTATE, WPARAM(row), reinterpret_cast<LPARAM>(&item));
}

// Row by row: a change of all rows at once (row -1) visits every row, and
// there may be a hundred thousand.
void ClearSelection(HWND list) {
    for (UINT which : {UINT(LVNI_SELECTED), UINT(LVNI_FOCUSED)}) {
        LRESULT row = SendMessageA(list, LVM_GETNEXTITEM, WPARAM(-1), which);
        if (row >= 0) SetRowState(list, int(row), 0);
    }
}

void SetRowSelected(HWND list, int row, bool selected) {
    LVITEMA item = {};
    item.stateMask = LVIS_SELECTED;
    item.state = selected ? LVIS_SELECTED : 0;
    SendMessageA(list, LVM_SETITEMSTATE, WPARAM(row), reinterpret_cast<LPARAM>(&item));
}

bool MovesSelection(UINT message, WPARAM wParam) {
    if (message == WM_LBUTTONDOWN || message == WM_RBUTTONDOWN) return true;
    if (message != WM_KEYDOWN) return false;
    switch (wParam) {
    case VK_UP: case VK_DOWN: case VK_LEFT: case VK_RIGHT: case VK_PRIOR: case VK_NEXT:
    case VK_HOME: case VK_END: case VK_SPACE: return true;
    default: return false;
    }
}

// Wine's list view deselects every row in turn when a click or key moves the
// selection of an owner-data list that has a selected row (some 50 ms per
// 100,000 rows): the row is deselected first, so the list finds none to
// deselect, and selected again when a key took nothing in its place (a click
// beside the rows deselects). The list's own procedure is kept in its user data.
LRESULT CALLBACK ListProc(HWND list, UINT message, WPARAM wParam, LPARAM lParam) {
    auto original = reinterpret_cast<WNDPROC>(GetWindowLongPtrA(list, GWLP_USERDATA));
    if (!original) return DefWindowProcA(list, message, wParam, lParam);
    LRESULT selected = MovesSelection(message, wParam)
                           ? SendMessageA(list, LVM_GETNEXTITEM, WPARAM(-1), LVNI_SELECTED)
                           : -1;
    if (selected >= 0) SetRowSelected(list, int(selected), false);
    LRESULT result = CallWindowProcA(original, list, message, wParam, lParam);
    if (selected >= 0 && message == WM_KEYDOWN && IsWindow(list) &&
        SendMessageA(list, LVM_GETNEXTITEM, WPARAM(-1), LVNI_SELECTED) < 0)
        SetRowSelected(list, int(selected), true);
    return result;
}

}  // namespace

tFindAllDialog::~tFindAllDialog() {
    if (window_) DestroyWindow(window_);
}

void tFindAllDialog::Open(HWND owner, tFindAllHandlers handlers, const std::string& what) {
    if (window_) return;
    handlers_ = std::move(handlers);
    openingText_ = what;
    HWND made = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_FIND_ALL), owner,
                                   Proc, reinterpret_cast<LPARAM>(this));
    Check(made != nullptr);
}

void tFindAllDialog::BringForward() {
    if (!window_) return;
    SetForegroundWindow(window_);
    BringWindowToTop(window_);
    HWND field = GetDlgItem(window_, IDC_FIND_ALL_TEXT);
    SetFocus(field);
    SendMessageA(field, EM_SETSEL, 0, -1);
}

tFindAllFields tFindAllDialog::Fields() const {
    if (!window_) return fields_;
    tFindAllFields fields;
    fields.what = WindowText(GetDlgItem(window_, IDC_FIND_ALL_TEXT));
    fields.matchCase = IsDlgButtonChecked(window_, IDC_FIND_ALL_MATCH_CASE) == BST_CHECKED;
    fields.wholeWord = IsDlgButtonChecked(window_, IDC_FIND_ALL_WHOLE_WORD) == BST_CHECKED;
    return fields;
}

HWND tFindAllDialog::List() const { return GetDlgItem(window_, IDC_FIND_ALL_LIST); }

void tFindAllDialog::ShowRows(size_t count, const std::string& status) {
    if (!window_) return;
    HWND list = List();
    ClearSelection(list);
    int rows = count > size_t(INT_MAX) ? INT_MAX : int(count);
    // Drawn once afterwards: a new count updates the scroll ranges four times,
    // and Wine's list view redraws its scroll bars for each (some 20 ms).
    SendMessageA(window_, WM_SETREDRAW, FALSE, 0);
    SendMessageA(list, LVM_SETITEMCOUNT, WPARAM(rows), 0);
    SendMessageA(list, LVM_SETSELECTIONMARK, 0, -1);
    if (rows) SendMessageA(list, LVM_ENSUREVISIBLE, 0, FALSE);
    SendMessageA(window_, WM_SETREDRAW, TRUE, 0);
    RedrawWindow(list, nullptr, nullptr, RDW_ERASE | RDW_FRAME | RDW_INVALIDATE);
    ShowStatus(status);
}

void tFindAllDialog::ShowStatus(const std::string& status) {
    if (window_) SetDlgItemTextA(window_, IDC_FIND_ALL_STATUS, status.c_str());
}

void tFindAllDialog::SelectRow(size_t row) {
    if (!window_ || row > size_t(INT_MAX)) return;
    HWND list = List();
    ClearSelection(list);
    SetRowState(list, int(row), LVIS_SELECTED | LVIS_FOCUSED);
    SendMessageA(list, LVM_SETSELECTIONMARK, 0, LPARAM(row));
    SendMessageA(list, LVM_ENSUREVISIBLE, WPARAM(row), FALSE);
}

void tFindAllDialog::OnInit(HWND dialog) {
    window_ = dialog;
    RECT outer, inner;
    GetWindowRect(dialog, &outer);
    GetClientRect(dialog, &inner);
    madeSize_ = {outer.right - outer.left, outer.bottom - outer.top};
    madeClient_ = {inner.right, inner.bottom};
    for (size_t i = 0; i < sizeof kAnchors / sizeof *kAnchors; ++i) {
        HWND control = GetDlgItem(dialog, kAnchors[i].id);
        GetWindowRect(control, &madeRects_[i]);
        MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&madeRects_[i]), 2);
    }

    HWND list = List();
    SetWindowLongPtrA(list, GWLP_USERDATA,
                      SetWindowLongPtrA(list, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(ListProc)));
    SendMessageA(list, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
    AddColumn(list, kTopicColumn, "Topic", DialogUnitsToPixels(dialog, kTopicWidth));
    AddColumn(list, kLineColumn, "Line", DialogUnitsToPixels(dialog, kLineWidth));
    AddColumn(list, kTextColumn, "Text", 100);

    HWND field = GetDlgItem(dialog, IDC_FIND_ALL_TEXT);
    SendMessageA(field, EM_LIMITTEXT, kMaxFindAllText, 0);
    SetWindowTextA(field, openingText_.c_str());
    CheckDlgButton(dialog, IDC_FIND_ALL_MATCH_CASE, fields_.matchCase ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(dialog, IDC_FIND_ALL_WHOLE_WORD, fields_.wholeWord ? BST_CHECKED : BST_UNCHECKED);

    if (placed_)
        SetWindowPos(dialog, nullptr, placement_.left, placement_.top,
                     placement_.right - placement_.left, placement_.bottom - placement_.top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
    GetClientRect(dialog, &inner);
    Layout(inner.right, inner.bottom);
}

void tFindAllDialog::Layout(int width, int height) {
    if (!window_ || madeClient_.cx == 0) return;
    int dx = width - madeClient_.cx, dy = height - madeClient_.cy;
    for (size_t i = 0; i < sizeof kAnchors / sizeof *kAnchors; ++i) {
        const tAnchor& anchor = kAnchors[i];
        const RECT& r = madeRects_[i];
        int x = r.left + (anchor.follows & kMoveX ? dx : 0);
        int y = r.top + (anchor.follows & kMoveY ? dy : 0);
        int w = r.right - r.left + (anchor.follows & kGrowX ? dx : 0);
        int h = r.bottom - r.top + (anchor.follows & kGrowY ? dy : 0);
        SetWindowPos(GetDlgItem(window_, anchor.id), nullptr, x, y, w, h,
                     SWP_NOZORDER | SWP_NOACTIVATE);
    }
    HWND list = List();
    RECT area;
    GetClientRect(list, &area);
    int rest = area.right - int(SendMessageA(list, LVM_GETCOLUMNWIDTH, kTopicColumn, 0)) -
               int(SendMessageA(list, LVM_GETCOLUMNWIDTH, kLineColumn, 0));
    SendMessageA(list, LVM_SETCOLUMNWIDTH, kTextColumn, rest > 50 ? rest : 50);
    InvalidateRect(window_, nullptr, TRUE);
}

// Enter in the list goes to its selected hit; anywhere else it searches.
void tFindAllDialog::OnOk() {
    HWND list = List();
    if (GetFocus() == list) {
        LRESULT row = SendMessageA(list, LVM_GETNEXTITEM, WPARAM(-1), LVNI_SELECTED);
        if (row >= 0) {
            handlers_.goTo(size_t(row));
            return;
        }
    }
    handlers_.search(Fields());
}

INT_PTR tFindAllDialog::OnNotify(const NMHDR* header) {
    if (!header || header->idFrom != IDC_FIND_ALL_LIST) return FALSE;
    switch (header->code) {
    case LVN_GETDISPINFOA:
        AnswerCellText(header, handlers_.cellText);
        return TRUE;
    case NM_DBLCLK: {
        int row = reinterpret_cast<const NMITEMACTIVATE*>(header)->iItem;
        if (row >= 0) handlers_.goTo(size_t(row));
        return TRUE;
    }
    case LVN_ODFINDITEMA:
        // Typing in the list finds no row: the rows are hits, not names.
        SetWindowLongPtrA(window_, DWLP_MSGRESULT, -1);
        return TRUE;
    }
    return FALSE;
}

void tFindAllDialog::OnDestroy() {
    fields_ = Fields();
    placed_ = GetWindowRect(window_, &placement_) != 0;
    SetWindowLongPtrA(window_, GWLP_USERDATA, 0);
    window_ = nullptr;
}

INT_PTR tFindAllDialog::Dispatch(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG:
        OnInit(dialog);
        return TRUE;  // the dialog manager puts the focus in the field, its text selected
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDOK: OnOk(); return TRUE;
        case IDCANCEL: DestroyWindow(window_); return TRUE;
        }
        return FALSE;
    case WM_NOTIFY: return OnNotify(reinterpret_cast<const NMHDR*>(lParam));
    case WM_SIZE: Layout(LOWORD(lParam), HIWORD(lParam)); return TRUE;
    case WM_GETMINMAXINFO:
        reinterpret_cast<MINMAXINFO*>(lParam)->ptMinTrackSize = {madeSize_.cx, madeSize_.cy};
        return TRUE;
    case WM_DESTROY: OnDestroy(); return TRUE;
    default: return FALSE;
    }
}

INT_PTR CALLBACK tFindAllDialog::Proc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) SetWindowLongPtrA(dialog, GWLP_USERDATA, lParam);
    auto* self = reinterpret_cast<tFindAllDialog*>(GetWindowLongPtrA(dialog, GWLP_USERDATA));
    if (!self) return FALSE;  // nothing of ours before WM_INITDIALOG or after WM_DESTROY
    return HandleDialogGuarded([&] { return self->Dispatch(dialog, message, wParam, lParam); });
}
