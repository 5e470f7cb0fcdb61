#include "dialogs/go_to_topic.h"
#include "base/callback_failure.h"
#include "base/errors.h"
#include "base/text.h"
#include "base/window_text.h"
#include "dialogs/list_cell.h"
#include "resources/resource.h"
#include <commctrl.h>

namespace {

// Where upperTyped (already folded) starts in name, without regard to ASCII
// case; npos when nowhere. Names are short: a plain scan is enough.
size_t FindFolded(const std::string& name, const std::string& upperTyped) {
    if (upperTyped.size() > name.size()) return std::string::npos;
    for (size_t at = 0; at + upperTyped.size() <= name.size(); ++at) {
        size_t i = 0;
        while (i < upperTyped.size() && FoldAscii(name[at + i]) == upperTyped[i]) ++i;
        if (i == upperTyped.size()) return at;
    }
    return std::string::npos;
}

// Kept in the dialog's user data while it runs.
struct tGoToTopicData {
    const tGoToTopicChoices* choices;
    std::vector<int> rows;
    int chosen = -1;
    tCallbackFailure failure;
};

tGoToTopicData* DataOf(HWND dialog) {
    return reinterpret_cast<tGoToTopicData*>(GetWindowLongPtrA(dialog, GWLP_USERDATA));
}

HWND ListOf(HWND dialog) { return GetDlgItem(dialog, IDC_GO_TO_LIST); }

int SelectedRow(HWND list) {
    return int(SendMessageA(list, LVM_GETNEXTITEM, WPARAM(-1), LVNI_SELECTED));
}

void SetRowState(HWND list, int row, UINT state) {
    LVITEMA item = {};
    item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    item.state = state;
    SendMessageA(list, LVM_SETITEMSTATE, WPARAM(row), reinterpret_cast<LPARAM>(&item));
}

// One row at a time: a change of every row (-1) visits each of thousands.
void SelectRow(HWND list, int row) {
    int old = SelectedRow(list);
    if (old >= 0 && old != row) SetRowState(list, old, 0);
    if (row < 0) return;
    SetRowState(list, row, LVIS_SELECTED | LVIS_FOCUSED);
    SendMessageA(list, LVM_SETSELECTIONMARK, 0, LPARAM(row));
    SendMessageA(list, LVM_ENSUREVISIBLE, WPARAM(row), FALSE);
}

void Refill(HWND dialog, tGoToTopicData& data) {
    std::string typed = WindowText(GetDlgItem(dialog, IDC_GO_TO_TEXT));
    GoToTopicRows(*data.choices, typed, data.rows);
    HWND list = ListOf(dialog);
    SelectRow(list, -1);
    // Drawn once afterwards: a new count updates the scroll ranges several
    // times, and Wine's list view redraws its scroll bars for each unless the
    // dialog's redraw is off. Not before the dialog is shown: turning redraw
    // on again marks a window visible.
    const bool shown = IsWindowVisible(dialog) != 0;
    if (shown) SendMessageA(dialog, WM_SETREDRAW, FALSE, 0);
    SendMessageA(list, LVM_SETITEMCOUNT, WPARAM(data.rows.size()), 0);
    SelectRow(list, FirstSelectedRow(typed, data.rows.size()));
    if (!shown) return;
    SendMessageA(dialog, WM_SETREDRAW, TRUE, 0);
    RedrawWindow(list, nullptr, nullptr, RDW_ERASE | RDW_FRAME | RDW_INVALIDATE);
    // The field changed while redraw was off too.
    RedrawWindow(GetDlgItem(dialog, IDC_GO_TO_TEXT), nullptr, nullptr, RDW_ERASE | RDW_INVALIDATE);
}

// Up, Down, Page Up and Page Down typed in the field move in the list; the
// focus stays in the field, so typing goes on.
bool MoveInList(HWND dialog, WPARAM key) {
    HWND list = ListOf(dialog);
    int count = int(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
    if (count <= 0) return key == VK_UP || key == VK_DOWN || key == VK_PRIOR || key == VK_NEXT;
    int page = int(SendMessageA(list, LVM_GETCOUNTPERPAGE, 0, 0));
    if (page < 1) page = 1;
    int row = SelectedRow(list);
    switch (key) {
    case VK_UP: row = row < 0 ? 0 : row - 1; break;
    case VK_DOWN: row = row + 1; break;
    case VK_PRIOR: row = row < 0 ? 0 : row - page; break;
    case VK_NEXT: row = row + page; break;
    default: return false;
    }
    SelectRow(list, row < 0 ? 0 : row >= count ? count - 1 : row);
    return true;
}

// The field's own procedure is kept in its user data.
LRESULT CALLBACK FieldProc(HWND field, UINT message, WPARAM wParam, LPARAM lParam) {
    auto original = reinterpret_cast<WNDPROC>(GetWindowLongPtrA(field, GWLP_USERDATA));
    if (!original) return DefWindowProcA(field, message, wParam, lParam);
    if (message == WM_KEYDOWN && MoveInList(GetParent(field), wParam)) return 0;
    return CallWindowProcA(original, field, message, wParam, lParam);
}

void OnInitDialog(HWND dialog, tGoToTopicData& data) {
    HWND field = GetDlgItem(dialog, IDC_GO_TO_TEXT);
    SetWindowLongPtrA(field, GWLP_USERDATA,
                      SetWindowLongPtrA(field, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(FieldProc)));
    HWND list = ListOf(dialog);
    SendMessageA(list, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
    RECT area;
    GetClientRect(list, &area);
    LVCOLUMNA column = {};
    column.mask = LVCF_WIDTH;
    column.cx = area.right - GetSystemMetrics(SM_CXVSCROLL);
    SendMessageA(list, LVM_INSERTCOLUMNA, 0, reinterpret_cast<LPARAM>(&column));
    Refill(dialog, data);
}

void Choose(HWND dialog, tGoToTopicData& data, int row) {
    if (row < 0 || size_t(row) >= data.rows.size()) {
        MessageBeep(0);  // nothing to go to: the field stays for typing
        return;
    }
    data.chosen = data.rows[size_t(row)];
    Check(EndDialog(dialog, IDOK) != 0);
}

INT_PTR OnNotify(HWND dialog, tGoToTopicData& data, const NMHDR* header) {
    if (!header || header->idFrom != IDC_GO_TO_LIST) return FALSE;
    switch (header->code) {
    case LVN_GETDISPINFOA:
        AnswerCellText(header, [&data](size_t row, int) {
            return row < data.rows.size() ? data.choices->names[size_t(data.rows[row])] : std::string();
        });
        return TRUE;
    case NM_DBLCLK: {
        int row = reinterpret_cast<const NMITEMACTIVATE*>(header)->iItem;
        if (row >= 0) Choose(dialog, data, row);
        return TRUE;
    }
    }
    return FALSE;
}

INT_PTR Dispatch(HWND dialog, tGoToTopicData& data, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDOK: Choose(dialog, data, SelectedRow(ListOf(dialog))); return TRUE;
        case IDCANCEL: Check(EndDialog(dialog, IDCANCEL) != 0); return TRUE;
        case IDC_GO_TO_TEXT:
            if (HIWORD(wParam) == EN_CHANGE) Refill(dialog, data);
            return TRUE;
        }
        return FALSE;
    case WM_NOTIFY: return OnNotify(dialog, data, reinterpret_cast<const NMHDR*>(lParam));
    default: return FALSE;
    }
}

INT_PTR CALLBACK GoToTopicDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) SetWindowLongPtrA(dialog, GWLP_USERDATA, lParam);
    tGoToTopicData* data = DataOf(dialog);
    if (!data) return FALSE;  // nothing of ours happens before WM_INITDIALOG
    return data->failure.Run(
        [&]() -> INT_PTR {
            if (message != WM_INITDIALOG) return Dispatch(dialog, *data, message, wParam, lParam);
            OnInitDialog(dialog, *data);
            return TRUE;  // the focus to the field
        },
        [&] { if (!EndDialog(dialog, IDCANCEL)) DestroyWindow(dialog); }, INT_PTR(TRUE));
}

}  // namespace

void GoToTopicRows(const tGoToTopicChoices& choices, const std::string& typed, std::vector<int>& rows) {
    rows.clear();
    if (typed.empty()) {
        rows = choices.recent;
        return;
    }
    const std::string upper = UpperAscii(typed);
    std::vector<int> later;
    for (size_t i = 0; i < choices.names.size(); ++i) {
        size_t at = FindFolded(choices.names[i], upper);
        if (at == 0)
            rows.push_back(int(i));
        else if (at != std::string::npos)
            later.push_back(int(i));
    }
    rows.insert(rows.end(), later.begin(), later.end());
}

int FirstSelectedRow(const std::string& typed, size_t rowCount) {
    if (rowCount == 0) return -1;
    return typed.empty() && rowCount > 1 ? 1 : 0;
}

int RunGoToTopicDialog(HWND owner, const tGoToTopicChoices& choices) {
    tGoToTopicData data{&choices, {}, -1, {}};
    INT_PTR result = DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_GO_TO_TOPIC), owner,
                                     GoToTopicDlgProc, reinterpret_cast<LPARAM>(&data));
    data.failure.Rethrow();
    // A dialog loop ended by the quit message may return IDOK under Wine: only OK's own choice counts.
    return result == IDOK ? data.chosen : -1;
}
