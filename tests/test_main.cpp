#include <gtest/gtest.h>
#include <objbase.h>
#include "support/window_driver.h"

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    SetFailureReporter([](const std::string& what) { ADD_FAILURE() << what; });
    CoInitialize(nullptr);
    int result = RUN_ALL_TESTS();
    CoUninitialize();
    return result;
}
