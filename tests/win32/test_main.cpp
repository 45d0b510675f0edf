#include <gtest/gtest.h>

#include <cstdio>

// A test program that runs no test at all (a wrong filter, tests compiled out) must not pass.
int main(int argc, char **argv) {
    testing::InitGoogleTest(&argc, argv);
    const int result = RUN_ALL_TESTS();
    if (testing::UnitTest::GetInstance()->test_to_run_count() == 0) {
        std::fprintf(stderr, "No test ran.\n");
        return 1;
    }
    return result;
}
