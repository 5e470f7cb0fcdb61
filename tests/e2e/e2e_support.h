#pragma once
#include <gtest/gtest.h>
#include "note_reader.h"
#include "support/quillet_process.h"
#include "resources/resource.h"
#include "support/temp_dir.h"

// Every end-to-end test starts from the settings of a first run.
class QuilletE2E : public testing::Test {
protected:
    void SetUp() override { DeleteRegistryTree(HKEY_CURRENT_USER, "Software\\Larkspur Software"); }
    void TearDown() override { SetUp(); }
    static std::string Quoted(const std::string& s) { return "\"" + s + "\""; }
    tTempDir dir;
};
