#pragma once
// The modeless Find in All Topics dialog: what to find, the hits in a virtual
// list and one status line. Its owner searches: the dialog sends its requests
// as a message to the owner's window, whose procedure guards the work.
#include <windows.h>
#include <cstddef>
#include <string>

// The requests: the message's wParam; lParam is the row for kFindAllGoTo.
constexpr WPARAM kFindAllSearch = 1;
constexpr WPARAM kFindAllGoTo = 2;

// The longest text to find, as in Find.
constexpr size_t kMaxFindAllText = 255;

// The list's columns.
enum tFindAllColumn { kTopicColumn, kLineColumn, kTextColumn };

struct tFindAllFields {
    std::string what;
    bool matchCase = false;
    bool wholeWord = false;
};

// The list's cells, asked for while it paints: answering must not throw.
class tFindAllRows {
public:
    virtual void CellText(size_t row, int column, char* buffer, size_t size) const noexcept = 0;

protected:
    ~tFindAllRows() = default;
};

class tFindAllDialog {
public:
    tFindAllDialog() = default;
    ~tFindAllDialog();
    tFindAllDialog(const tFindAllDialog&) = delete;
    tFindAllDialog& operator=(const tFindAllDialog&) = delete;

    // Shows the dialog, owned by owner, with what in its field; the check boxes,
    // size and position are those it had when it was last closed. Requests go
    // to notify as message.
    void Open(HWND owner, HWND notify, UINT message, const tFindAllRows& rows,
              const std::string& what);
    // The open dialog to the front, its text selected for typing over.
    void BringForward();
    // The open dialog's window, or null.
    HWND Window() const { return window_; }
    tFindAllFields Fields() const;

    // A new list of count rows, none selected.
    void ShowRows(size_t count, const std::string& status);
    void ShowStatus(const std::string& status);
    // Selects row and scrolls it into view; the focus stays where it is.
    void SelectRow(size_t row);

private:
    static INT_PTR CALLBACK Proc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR Dispatch(UINT message, WPARAM wParam, LPARAM lParam);
    void OnInit(HWND dialog);
    void OnOk();
    INT_PTR OnNotify(const NMHDR* header);
    void Layout(int width, int height);
    void OnDestroy();
    void Request(WPARAM request, size_t row) const;
    HWND List() const;

    HWND window_ = nullptr;
    HWND notify_ = nullptr;
    UINT message_ = 0;
    const tFindAllRows* rows_ = nullptr;
    std::string openingText_;
    // Kept while the program runs.
    tFindAllFields fields_;
    RECT placement_ = {};
    bool placed_ = false;
    // The size the dialog was made at: the smallest it may get, and where its
    // controls were then, for moving them along when it is resized.
    SIZE madeSize_ = {};
    SIZE madeClient_ = {};
    RECT madeRects_[8] = {};  // room for every control that follows
};
