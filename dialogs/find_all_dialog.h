#pragma once
// The modeless Find in All Topics dialog: what to find, the hits in a virtual
// list and one status line. Its owner searches: the dialog calls the owner's
// handlers from its procedure, inside the guard of every window.
#include <windows.h>
#include <cstddef>
#include <functional>
#include <string>

// The longest text to find, as in Find.
constexpr size_t kMaxFindAllText = 255;

// The list's columns.
enum tFindAllColumn { kTopicColumn, kLineColumn, kTextColumn };

struct tFindAllFields {
    std::string what;
    bool matchCase = false;
    bool wholeWord = false;
};

// What the owner does for the dialog.
struct tFindAllHandlers {
    std::function<void(const tFindAllFields&)> search;  // Find All
    std::function<void(size_t row)> goTo;               // a hit chosen
    // One cell of the list, asked for while it paints: keep it cheap.
    std::function<std::string(size_t row, int column)> cellText;
};

class tFindAllDialog {
public:
    tFindAllDialog() = default;
    ~tFindAllDialog();
    tFindAllDialog(const tFindAllDialog&) = delete;
    tFindAllDialog& operator=(const tFindAllDialog&) = delete;

    // Shows the dialog, owned by owner, with what in its field; the check boxes,
    // size and position are those it had when it was last closed.
    void Open(HWND owner, tFindAllHandlers handlers, const std::string& what);
    // The open dialog to the front, its text selected for typing over.
    void BringForward();
    // The open dialog's window, or null.
    HWND Window() const { return window_; }

    // A new list of count rows, none selected.
    void ShowRows(size_t count, const std::string& status);
    void ShowStatus(const std::string& status);
    // Selects row and scrolls it into view; the focus stays where it is.
    void SelectRow(size_t row);

private:
    static INT_PTR CALLBACK Proc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR Dispatch(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
    void OnInit(HWND dialog);
    tFindAllFields Fields() const;
    void OnOk();
    INT_PTR OnNotify(const NMHDR* header);
    void Layout(int width, int height);
    void OnDestroy();
    HWND List() const;

    HWND window_ = nullptr;
    tFindAllHandlers handlers_;
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
