#pragma once
// A real client window on a note file in a temporary folder, without the frame.
#include <gtest/gtest.h>
#include <string>
#include <vector>
#include "app/globals.h"
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
    std::string EditText() const;
    void Type(const std::string& text);

    tTempDir dir;
    HWND parent = nullptr;
    tQuilletClient* client = nullptr;
};
