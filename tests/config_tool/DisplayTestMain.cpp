// The tests of the real ConfigVorenta on a real X display: an Xvfb server started here, the
// program driven through XTEST (xdotool) as a technician's keyboard and mouse would, and the
// screen read back through this process's own connection to the display.
#include "XDisplay.h"

#include <QApplication>

#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    // The display must exist before the application connects to it; listing the tests needs none.
    bool listing = false;
    for (int i = 1; i < argc; ++i)
        listing = listing || QByteArray(argv[i]).startsWith("--gtest_list_tests");
    vorenta::test::XDisplay::startShared(!listing);
    if (vorenta::test::XDisplay::shared().running()) {
        qputenv("DISPLAY", vorenta::test::XDisplay::shared().name().toUtf8());
        qputenv("QT_QPA_PLATFORM", "xcb");
    } else {
        qputenv("QT_QPA_PLATFORM", "offscreen"); // the tests then report the missing display
    }
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    const int status = RUN_ALL_TESTS();
    vorenta::test::XDisplay::stopShared();
    return status;
}
