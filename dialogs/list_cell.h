#pragma once
// The text of a cell of an owner-data list view, asked for while it paints.
#include <windows.h>
#include <commctrl.h>
#include <cstddef>
#include <string>

// Answers LVN_GETDISPINFO with cellText(row, column), cut to the list's
// buffer and always terminated; a row the list does not have stays empty.
template <typename CellText>
void AnswerCellText(const NMHDR* header, CellText&& cellText) {
    LVITEMA& item = reinterpret_cast<NMLVDISPINFOA*>(const_cast<NMHDR*>(header))->item;
    if (!(item.mask & LVIF_TEXT) || !item.pszText || item.cchTextMax <= 0) return;
    item.pszText[0] = '\0';
    if (item.iItem < 0) return;
    const std::string text = cellText(size_t(item.iItem), item.iSubItem);
    lstrcpynA(item.pszText, text.c_str(), item.cchTextMax);
}
