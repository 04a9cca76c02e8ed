// main() of the window test programs: the program's own application object
// on Qt's offscreen platform unless a platform was chosen.
#include "app/Application.h"

#include <cstdlib>
#include <gtest/gtest.h>

int main(int argc, char **argv) {
    if (!std::getenv("QT_QPA_PLATFORM"))
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    testing::InitGoogleTest(&argc, argv);
    mendora::Application app(argc, argv);
    return RUN_ALL_TESTS();
}
