#include <gtest/gtest.h>
#include <objbase.h>
#include "support/temp_dir.h"

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    CoInitialize(nullptr);
    int result = RUN_ALL_TESTS();
    CoUninitialize();
    return result;
}
