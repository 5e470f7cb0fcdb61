#include <gtest/gtest.h>
#include "base/errors.h"
#include "base/settings.h"
#include "storage/compfile.h"
#include "storage/notefile.h"
#include "storage_test_util.h"
#include <cstring>

namespace {

std::string Bytes(const void* data, size_t size) {
    return std::string(static_cast<const char*>(data), size);
}

// ---------------------------------------------------------------------------
// Record decoding over streams.

class RecordTest : public testing::Test {
protected:
    void SetUp() override {
        path = dir.File("records.qld");
        std::memset(&record, 0, sizeof record);
        record.backgroundColour = 0x00010203;
        record.textColour = 0x00040506;
        for (int i = 0; i < 16; ++i) record.customColours[i] = COLORREF(0x100 + i);
        record.textLogFont = Font(-11, "Old text face");
        record.tabLogFont = Font(-9, "Old tab face");
    }
    // Runs read over a stream holding content.
    template <typename F>
    void Over(const std::string& content, F read) {
        {
            tRawFile file(path);
            file.Stream("S", content);
        }
        tRootStorage root(tHow::open, path, kModeNoteFile);
        tStream stream(root.Get(), "S", kModeRead);
        read(stream);
    }
    tTempDir dir;
    std::string path;
    tAppearanceRecord record;
};

TEST_F(RecordTest, ColoursStopAtTheFirstShortField) {
    Over("", [&](tStream& s) { ReadColours(s, record); });
    EXPECT_EQ(kDefaultBackground, record.backgroundColour);
    EXPECT_EQ(0x00040506u, record.textColour);  // not reached: kept
    EXPECT_EQ(0x100u, record.customColours[0]);

    SetUp();
    Over(Uint32Bytes(0x00FF0000), [&](tStream& s) { ReadColours(s, record); });
    EXPECT_EQ(0x00FF0000u, record.backgroundColour);
    EXPECT_EQ(kDefaultTextColour, record.textColour);
    EXPECT_EQ(0x10Fu, record.customColours[15]);  // as they were

    SetUp();
    Over(Uint32Bytes(1) + Uint32Bytes(2) + std::string(40, '\x7F'),
         [&](tStream& s) { ReadColours(s, record); });
    EXPECT_EQ(1u, record.backgroundColour);
    EXPECT_EQ(2u, record.textColour);
    for (COLORREF c : record.customColours) EXPECT_EQ(0u, c);  // short field: default

    SetUp();
    std::string full = Uint32Bytes(0x00123456) + Uint32Bytes(0x00ABCDEF);
    for (int i = 0; i < 16; ++i) full += Uint32Bytes(DWORD(i * 0x010101));
    ASSERT_EQ(kColoursStreamSize, full.size());
    Over(full, [&](tStream& s) { ReadColours(s, record); });
    EXPECT_EQ(0x00123456u, record.backgroundColour);
    EXPECT_EQ(0x00ABCDEFu, record.textColour);
    EXPECT_EQ(0x0F0F0Fu, record.customColours[15]);
}

TEST_F(RecordTest, FontRecords) {
    LOGFONTA text = Font(-13, "Courier New");
    LOGFONTA tab = Font(-16, "Arial");
    LOGFONTA none = Font(0, "Ignored");

    tFontRecords r = {};
    Over(Bytes(&text, 60) + Bytes(&tab, 60), [&](tStream& s) { r = ReadFonts(s, record); });
    EXPECT_EQ(tFontRecord::chosen, r.text);
    EXPECT_EQ(tFontRecord::chosen, r.tab);
    EXPECT_STREQ("Courier New", record.textLogFont.lfFaceName);
    EXPECT_EQ(-16, record.tabLogFont.lfHeight);

    SetUp();
    Over(Bytes(&none, 60) + Bytes(&tab, 60), [&](tStream& s) { r = ReadFonts(s, record); });
    EXPECT_EQ(tFontRecord::none, r.text);
    EXPECT_EQ(tFontRecord::chosen, r.tab);
    EXPECT_STREQ("Arial", record.tabLogFont.lfFaceName);

    SetUp();  // short text record: no text font, tab font untouched
    Over(Bytes(&text, 30), [&](tStream& s) { r = ReadFonts(s, record); });
    EXPECT_EQ(tFontRecord::none, r.text);
    EXPECT_EQ(0, record.textLogFont.lfHeight);
    EXPECT_EQ(tFontRecord::untouched, r.tab);
    EXPECT_STREQ("Old tab face", record.tabLogFont.lfFaceName);
    EXPECT_EQ(-9, record.tabLogFont.lfHeight);

    SetUp();  // short tab record
    Over(Bytes(&text, 60) + Bytes(&tab, 59), [&](tStream& s) { r = ReadFonts(s, record); });
    EXPECT_EQ(tFontRecord::chosen, r.text);
    EXPECT_EQ(tFontRecord::none, r.tab);
    EXPECT_EQ(0, record.tabLogFont.lfHeight);

    SetUp();  // a face name without its terminator is cut to a string
    LOGFONTA unterminated = text;
    std::memset(unterminated.lfFaceName, 'F', LF_FACESIZE);
    Over(Bytes(&unterminated, 60), [&](tStream& s) { r = ReadFonts(s, record); });
    EXPECT_EQ(size_t(LF_FACESIZE - 1), std::strlen(record.textLogFont.lfFaceName));
}

}  // namespace
