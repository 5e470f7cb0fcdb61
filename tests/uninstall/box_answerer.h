#pragma once
// Answers the message boxes of one process while a test waits in the code
// that shows them: a background thread finds each visible "#32770" window
// with the given caption, records what it says and presses the button the
// test chooses.
#include <windows.h>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

struct tSeenBox {
    std::string text;        // the message (static control 0xFFFF)
    HICON icon = nullptr;    // the icon shown, comparable within one process only
    bool hasCancel = false;  // the box offers a Cancel button
};

class tBoxAnswerer {
public:
    // decide gets each box and how many came before it, and returns the
    // button to press (IDOK, IDCANCEL...). It runs on the answering thread.
    using tDecide = std::function<int(const tSeenBox& box, size_t index)>;

    tBoxAnswerer(DWORD processId, const char* caption, tDecide decide);
    ~tBoxAnswerer();
    tBoxAnswerer(const tBoxAnswerer&) = delete;
    tBoxAnswerer& operator=(const tBoxAnswerer&) = delete;

    std::vector<tSeenBox> Seen() const;
    // Waits up to timeoutMs until count boxes have been answered.
    bool WaitForCount(size_t count, DWORD timeoutMs) const;

private:
    void Run();
    HWND FindBox() const;

    DWORD processId_;
    std::string caption_;
    tDecide decide_;
    mutable std::mutex lock_;
    std::vector<tSeenBox> seen_;
    bool stop_ = false;
    std::thread thread_;
};
