#include "e2e_support.h"

namespace {

constexpr int kFindText = 0x480;     // edt1
constexpr int kReplaceText = 0x481;  // edt2
constexpr int kReplaceAll = 0x401;   // psh2
constexpr int kMatchCase = 0x411;    // chx2

// Presses a key with Ctrl held, as the user would, into the foreground window.
void PressCtrl(HWND frame, WORD key) {
    SetForegroundWindow(frame);
    INPUT keys[4] = {};
    for (INPUT& k : keys) k.type = INPUT_KEYBOARD;
    keys[0].ki.wVk = VK_CONTROL;
    keys[1].ki.wVk = key;
    keys[2].ki.wVk = key;
    keys[2].ki.dwFlags = KEYEVENTF_KEYUP;
    keys[3].ki.wVk = VK_CONTROL;
    keys[3].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(4, keys, sizeof(INPUT));
}

TEST_F(QuilletE2E, FindThroughAcceleratorThenReplaceAllReachesTheFile) {
    std::string path = dir.File("find.qld");
    tQuilletProcess quillet("/visible " + Quoted(path));
    ASSERT_TRUE(quillet.WaitForMainWindow());
    quillet.Type("the cat sat on the Cat mat");
    SendMessageA(quillet.edit(), EM_SETSEL, 0, 0);

    // Any process can post these: the find message without this client's own
    // record, notifications without data. They change nothing.
    const UINT findMessage = RegisterWindowMessageA("commdlg_FindReplace");
    const struct { HWND to; UINT message; LPARAM lParam; } stray[] = {
        {quillet.client(), findMessage, 0}, {quillet.client(), findMessage, 0x10000},
        {quillet.client(), WM_NOTIFY, 0}, {quillet.frame(), WM_NOTIFY, 0}};
    for (const auto& m : stray)
        EXPECT_TRUE(PostMessageA(m.to, m.message, 0, m.lParam)) << std::hex << m.message;
    quillet.Settle();  // its marker is posted after them to the same thread
    ASSERT_EQ(DWORD(STILL_ACTIVE), quillet.WaitForExit(0));
    EXPECT_EQ("the cat sat on the Cat mat", quillet.EditText());
    SendMessageA(quillet.edit(), EM_SETSEL, 0, 0);

    PressCtrl(quillet.frame(), 'F');
    tForeignDialog find;
    ASSERT_TRUE(WaitForDialog(quillet.id(), find, "Find"));
    SetDialogItemText(find, kFindText, "cat");
    SendMessageA(GetDlgItem(find.wnd, IDOK), BM_CLICK, 0, 0);
    quillet.Sync();
    DWORD start = 0, end = 0;
    SendMessageA(quillet.edit(), EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                 reinterpret_cast<LPARAM>(&end));
    EXPECT_EQ(4u, start);
    EXPECT_EQ(7u, end);

    // Replace replaces the Find dialog, keeping the search text.
    PressCtrl(quillet.frame(), 'R');
    tForeignDialog replace;
    ASSERT_TRUE(WaitForDialog(quillet.id(), replace, "Replace"));
    EXPECT_FALSE(IsWindow(find.wnd) && IsWindowVisible(find.wnd));
    char kept[64] = {};
    GetDlgItemTextA(replace.wnd, kFindText, kept, sizeof kept);
    EXPECT_STREQ("cat", kept);
    SetDialogItemText(replace, kReplaceText, "dog");
    SendMessageA(quillet.edit(), EM_SETSEL, 0, 0);
    SendMessageA(GetDlgItem(replace.wnd, kReplaceAll), BM_CLICK, 0, 0);
    quillet.Sync();
    EXPECT_EQ("the dog sat on the dog mat", quillet.EditText());

    // Match case: nothing left to replace gives the box without an icon.
    SendMessageA(GetDlgItem(replace.wnd, kMatchCase), BM_CLICK, 0, 0);
    PostMessageA(GetDlgItem(replace.wnd, kReplaceAll), BM_CLICK, 0, 0);
    tForeignDialog none;
    ASSERT_TRUE(WaitForDialog(quillet.id(), none, "Quillet"));
    EXPECT_EQ("No match found", none.text);
    PressButton(none, IDOK);

    // The change is saved like typing: three idle ticks, then the file holds it.
    for (int tick = 0; tick < 3; ++tick) SendMessageA(quillet.client(), WM_TIMER, 1, 0);
    quillet.Kill();
    tNoteOnDisk note = ReadNoteOnDisk(path);
    ASSERT_TRUE(note.ok);
    EXPECT_EQ("the dog sat on the dog mat", note.texts[0]);
}

}  // namespace
