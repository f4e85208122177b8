// Entry point of every test program: installs the sample printers into the Wine prefix first.
#include <gtest/gtest.h>

#include <cstdio>

#include "tests/support/testprinters.h"

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    if (!testenv::InstallSamplePrinters()) {
        fprintf(stderr, "cannot install the sample printers into the Wine prefix\n");
        return 1;
    }
    return RUN_ALL_TESTS();
}
