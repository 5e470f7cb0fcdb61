#pragma once
// A real client window on a note file in a temporary folder, without the frame.
#include <windows.h>
#include <commctrl.h>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>
#include "client/client.h"
#include "support/dialog_answerer.h"
#include "support/temp_dir.h"

DWORD GetConfigDwordForTest(const char* name);

class ClientWindowTest : public testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    // Opens (or creates) the note file and makes the client on it.
    void Open(const std::string& name);
    // Closes the client as the frame does: save, commit, release the file.
    void Close();
    std::vector<std::string> Names() const;
    std::vector<std::string> TabNames() const;
    int SelectedTab() const;
    // Whether the Topic menu offers the command (it is not greyed).
    bool TopicMenuOffers(int id) const;
    // The client's controls, found as a user's tools find them.
    HWND Edit() const { return GetDlgItem(client->Window(), kEditControlId); }
    HWND Tabs() const { return FindWindowExA(client->Window(), nullptr, WC_TABCONTROLA, nullptr); }
    std::string EditText() const;
    void Type(const std::string& text);
    // The end of a message, as the window procedures end every one: the commit.
    void EndMessage() { client->AfterMessage(); }

    tTempDir dir;
    HWND parent = nullptr;  // stands in for the frame
    std::string path;
    std::unique_ptr<tQuilletClient> client;
};
