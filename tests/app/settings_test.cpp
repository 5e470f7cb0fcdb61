#include <gtest/gtest.h>
#include "base/errors.h"
#include "base/settings.h"
#include "support/temp_dir.h"
#include <cstring>
#include <string>

namespace {

class Settings : public testing::Test {
protected:
    void SetUp() override {
        DeleteRegistryTree(HKEY_CURRENT_USER, "Software\\Larkspur Software");
        DeleteRunValue();
    }
    void TearDown() override { SetUp(); }

    static void WriteRaw(HKEY root, const std::string& path, const char* name, DWORD type,
                         const void* data, DWORD size) {
        HKEY key;
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                                                 nullptr, &key, nullptr));
        ASSERT_EQ(ERROR_SUCCESS,
                  RegSetValueExA(key, name, 0, type, static_cast<const BYTE*>(data), size));
        RegCloseKey(key);
    }
    static bool KeyExists(const std::string& path) {
        HKEY key;
        if (RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
            return false;
        RegCloseKey(key);
        return true;
    }
    const std::string config = std::string(kProductKey) + "\\Config";
};

TEST_F(Settings, FirstReadCreatesProductKeyButNoSection) {
    EXPECT_EQ(400u, GetConfigDword(kConfig, "Width", 400));
    EXPECT_TRUE(KeyExists(kProductKey));
    EXPECT_FALSE(KeyExists(config));
}

TEST_F(Settings, DwordRoundTrip) {
    SetConfigDword(kConfig, "XPos", 0xFFFFFFFEu);
    EXPECT_EQ(0xFFFFFFFEu, GetConfigDword(kConfig, "XPos", 100));
    SetConfigDword(kPrinting, "TopMargin", 0);
    EXPECT_EQ(0u, GetConfigDword(kPrinting, "TopMargin", 7));
}

TEST_F(Settings, WrongTypesReadAsDefault) {
    WriteRaw(HKEY_CURRENT_USER, config, "Width", REG_SZ, "500", 4);
    EXPECT_EQ(400u, GetConfigDword(kConfig, "Width", 400));
    DWORD number = 5;
    WriteRaw(HKEY_CURRENT_USER, config, "DefaultFile", REG_DWORD, &number, 4);
    char buffer[kSettingTextSize];
    GetConfigString(kConfig, "DefaultFile", buffer, "fallback");
    EXPECT_STREQ("fallback", buffer);
    WriteRaw(HKEY_CURRENT_USER, config, "Height", REG_BINARY, "\1\2\3\4", 4);
    EXPECT_EQ(400u, GetConfigDword(kConfig, "Height", 400));
}

TEST_F(Settings, ShortDwordReadsAsDefault) {
    WORD half = 7;
    WriteRaw(HKEY_CURRENT_USER, config, "AutoWrap", REG_DWORD, &half, 2);
    EXPECT_EQ(0u, GetConfigDword(kConfig, "AutoWrap", 0));
}

TEST_F(Settings, StringRoundTripAndLimits) {
    SetConfigString(kConfig, "DefaultFile", "C:\\notes\\mine.qld");
    char buffer[kSettingTextSize];
    GetConfigString(kConfig, "DefaultFile", buffer, "");
    EXPECT_STREQ("C:\\notes\\mine.qld", buffer);

    std::string longest(260, 'x');
    SetConfigString(kConfig, "DefaultFile", longest.c_str());
    GetConfigString(kConfig, "DefaultFile", buffer, "");
    EXPECT_EQ(longest, buffer);

    std::string tooLong(300, 'y');
    SetConfigString(kConfig, "DefaultFile", tooLong.c_str());
    GetConfigString(kConfig, "DefaultFile", buffer, "");
    EXPECT_STREQ("", buffer);
}

TEST_F(Settings, StringWithoutTerminatorStaysInBuffer) {
    std::string raw(261, 'z');  // fills the buffer, no terminator stored
    WriteRaw(HKEY_CURRENT_USER, config, "DefaultFile", REG_SZ, raw.data(), DWORD(raw.size()));
    char buffer[kSettingTextSize + 8];
    std::memset(buffer, 'q', sizeof buffer);
    GetConfigString(kConfig, "DefaultFile", buffer, "");
    EXPECT_LE(std::strlen(buffer), 260u);
    EXPECT_EQ('q', buffer[kSettingTextSize]);  // nothing written past the buffer
}

TEST_F(Settings, MissingValueInExistingSection) {
    SetConfigDword(kConfig, "LaptopMode", 1);
    EXPECT_EQ(5u, GetConfigDword(kConfig, "LaptopSavePeriod", 5));
}

TEST_F(Settings, RunValue) {
    EXPECT_EQ("", GetRunValue());
    DeleteRunValue();  // absent: no error
    SetRunValue("C:\\Program Files\\Quillet\\Quillet.exe");
    EXPECT_EQ("C:\\Program Files\\Quillet\\Quillet.exe", GetRunValue());
    DeleteRunValue();
    EXPECT_EQ("", GetRunValue());
}

TEST_F(Settings, RunValueOfAnyLengthCountsAsSet) {
    std::string other(400, 'p');
    SetRunValue(other);
    EXPECT_EQ(other, GetRunValue());
}

TEST_F(Settings, RunValueOfAnotherTypeReadsEmpty) {
    DWORD number = 1;
    WriteRaw(HKEY_CURRENT_USER, kRunKey, kRunValueName, REG_DWORD, &number, 4);
    EXPECT_EQ("", GetRunValue());
}

TEST_F(Settings, InstallerKeyMissingGivesDefault) {
    char buffer[kSettingTextSize];
    GetInstallerString("Uninstall", "Chain", buffer, "");
    EXPECT_STREQ("", buffer);
}

}  // namespace
