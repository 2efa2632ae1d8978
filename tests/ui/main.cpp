#include <QApplication>

#include <gtest/gtest.h>

// Window tests need one QApplication for the whole run. Listing the tests (which CTest does at
// build time, without a display) needs none.
int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    if (GTEST_FLAG_GET(list_tests)) return RUN_ALL_TESTS();
    QApplication application(argc, argv);
    return RUN_ALL_TESTS();
}
