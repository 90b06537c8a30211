#include <gtest/gtest.h>

#include "ToolTestEnvironment.h"

int main(int argc, char* argv[]) {
    prepareToolTestEnvironment();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
