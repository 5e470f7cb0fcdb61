#include "e2e_support.h"
#include "base/settings.h"

namespace {

DWORD ConfigDword(const char* name) {
    HKEY key;
    DWORD value = 0xDEADBEEF, size = 4;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Larkspur Software\\Quillet\\1.00\\Config", 0,
                      KEY_READ, &key) == ERROR_SUCCESS) {
        RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(&value), &size);
        RegCloseKey(key);
    }
    return value;
}

TEST_F(QuilletE2E, CloseHidesToTheTrayAndTheIconBringsItBack) {
    std::string path = dir.File("tray.qld");
    tQuilletProcess quillet("/visible " + Quoted(path));
    ASSERT_TRUE(quillet.WaitForMainWindow());
    quillet.Command(CM_FILE_CLOSE);
    EXPECT_FALSE(IsWindowVisible(quillet.frame()));
    EXPECT_EQ(STILL_ACTIVE, quillet.WaitForExit(200));
    SendMessageA(quillet.frame(), WM_TRAY_CALLBACK, 0, WM_LBUTTONDOWN);  // a single click: nothing
    EXPECT_FALSE(IsWindowVisible(quillet.frame()));
    SendMessageA(quillet.frame(), WM_TRAY_CALLBACK, 0, WM_LBUTTONDBLCLK);
    EXPECT_TRUE(IsWindowVisible(quillet.frame()));
    quillet.Command(CM_SHUTDOWN);
    EXPECT_EQ(0u, quillet.WaitForExit());
}

TEST_F(QuilletE2E, WithoutTrayCloseEndsTheProgram) {
    std::string path = dir.File("notray.qld");
    tQuilletProcess quillet("/nosystray " + Quoted(path));  // shown although /visible is absent
    ASSERT_TRUE(quillet.WaitForMainWindow());
    quillet.Type("closing");
    PostMessageA(quillet.frame(), WM_CLOSE, 0, 0);
    EXPECT_EQ(0u, quillet.WaitForExit());
    EXPECT_EQ("closing", ReadNoteOnDisk(path).texts[0]);
}

TEST_F(QuilletE2E, PlacementIsRememberedFromTheRestoredRectangle) {
    // Stored for a screen that is not there: the frame opens on this one.
    SetConfigDword(kConfig, "XPos", DWORD(-65536));
    SetConfigDword(kConfig, "YPos", DWORD(-65536));
    SetConfigDword(kConfig, "Width", DWORD(-1));
    SetConfigDword(kConfig, "Height", DWORD(-1));
    std::string path = dir.File("place.qld");
    tQuilletProcess quillet("/visible " + Quoted(path));
    ASSERT_TRUE(quillet.WaitForMainWindow());
    RECT frame = {}, work = {};
    GetWindowRect(quillet.frame(), &frame);
    ASSERT_TRUE(SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0));
    EXPECT_TRUE(frame.left >= work.left && frame.top >= work.top && frame.right <= work.right &&
                frame.bottom <= work.bottom)
        << frame.left << ',' << frame.top << ',' << frame.right << ',' << frame.bottom;
    EXPECT_GE(frame.right - frame.left, 200);
    EXPECT_GE(frame.bottom - frame.top, 150);

    MoveWindow(quillet.frame(), 40, 60, 500, 300, TRUE);
    quillet.Sync();
    ShowWindow(quillet.frame(), SW_MINIMIZE);
    quillet.Sync();
    quillet.Command(CM_SHUTDOWN);
    ASSERT_EQ(0u, quillet.WaitForExit());
    EXPECT_EQ(40u, ConfigDword("XPos"));
    EXPECT_EQ(60u, ConfigDword("YPos"));
    EXPECT_EQ(500u, ConfigDword("Width"));
    EXPECT_EQ(300u, ConfigDword("Height"));
}

TEST_F(QuilletE2E, CaptionNamesTheFileAndFileOpenSwitchesFiles) {
    std::string first = dir.File("first.qld");
    // Brackets in a name: the system cannot make a title of it, the program must.
    std::string second = dir.File("second [work].qld");
    {
        tQuilletProcess maker("/visible " + Quoted(second));
        ASSERT_TRUE(maker.WaitForMainWindow());
        maker.Type("in the second file");
        maker.Command(CM_SHUTDOWN);
        ASSERT_EQ(0u, maker.WaitForExit());
    }
    tQuilletProcess quillet("/visible " + Quoted(first));
    ASSERT_TRUE(quillet.WaitForMainWindow());
    quillet.Type("in the first file");
    quillet.PostCommand(CM_FILE_OPEN);
    tForeignDialog open;
    ASSERT_TRUE(WaitForDialog(quillet.id(), open));
    ChooseFile(open, second);
    quillet.Sync();
    char caption[256] = {};
    GetWindowTextA(quillet.frame(), caption, sizeof caption);
    EXPECT_NE(std::string::npos, std::string(caption).find("second [work]")) << caption;
    EXPECT_NE(std::string::npos, std::string(caption).find(" - Quillet")) << caption;
    EXPECT_EQ("in the second file", quillet.EditText());
    quillet.Kill();
    // The first file was saved and committed before the switch.
    EXPECT_EQ("in the first file", ReadNoteOnDisk(first).texts[0]);
}

TEST_F(QuilletE2E, OpeningTheFileInUseKeepsIt) {
    std::string path = dir.File("inuse.qld");
    tQuilletProcess quillet("/visible " + Quoted(path));
    ASSERT_TRUE(quillet.WaitForMainWindow());
    quillet.PostCommand(CM_FILE_NEW);
    tForeignDialog open;
    ASSERT_TRUE(WaitForDialog(quillet.id(), open, "Choose name and location for new file"));
    ChooseFile(open, path);
    tForeignDialog refusal;
    ASSERT_TRUE(WaitForDialog(quillet.id(), refusal, "Quillet"));
    EXPECT_EQ(path + " is not a Quillet file, is already open, or cannot be accessed.",
              refusal.text);
    PressButton(refusal, IDOK);
    quillet.Type("still here");
    quillet.Command(CM_SHUTDOWN);
    EXPECT_EQ(0u, quillet.WaitForExit());
    EXPECT_EQ("still here", ReadNoteOnDisk(path).texts[0]);
}

}  // namespace
