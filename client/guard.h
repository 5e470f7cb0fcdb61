#pragma once
// The one guard around every message of the frame, the client window and the
// edit control: the open note file is committed when the message ends
// normally, and any failure takes the fatal path (boxes, emergency save, exit
// code 1).
#include <windows.h>

class tQuilletClient;
tQuilletClient* ClientOfWindow(HWND clientWnd);
void CommitClientFile(tQuilletClient& client);

// Runs body, then commits the note file of the client in clientWnd, looked up
// afresh (body may have ended it). Nothing is committed when body throws.
template <typename Body>
auto RunAndCommit(HWND clientWnd, Body&& body) -> decltype(body()) {
    auto result = body();
    if (tQuilletClient* client = ClientOfWindow(clientWnd)) CommitClientFile(*client);
    return result;
}

// Handles one message; returns false to send it on to the default procedure.
using tMessageHandler = bool (*)(HWND, UINT, WPARAM, LPARAM, LRESULT&);

// clientWnd names the client window whose note file is committed (none: no commit). The
// default procedure is DefWindowProcA, or defaultProc when given.
LRESULT HandleGuarded(tMessageHandler handler, HWND clientWnd, HWND wnd, UINT message,
                      WPARAM wParam, LPARAM lParam, WNDPROC defaultProc = nullptr);
