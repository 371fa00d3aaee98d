#include <QApplication>
#include <QMessageBox>
#include <QPointer>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

// A dialog that no test step answers would block its test until CTest kills it. This guard
// closes a modal dialog that is still open at two ticks in a row and fails the running test,
// naming the dialog, so the fault shows at once. Test steps answer within milliseconds.
void closeForgottenDialogs(QPointer<QWidget>& seen)
{
    QWidget* modal = QApplication::activeModalWidget();
    if (modal && modal == seen.data()) {
        const auto* box = qobject_cast<QMessageBox*>(modal);
        ADD_FAILURE() << "dialog left open by the test: " << modal->windowTitle().toStdString()
                      << (box ? " / " + box->text().toStdString() : std::string());
        modal->close();
        seen.clear();
        return;
    }
    seen = modal;
}

} // namespace

// The GUI tests drive real widgets, so they need an application object; the offscreen platform
// lets them run without a display.
int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);

    QPointer<QWidget> seen;
    QTimer guard;
    QObject::connect(&guard, &QTimer::timeout, [&seen] { closeForgottenDialogs(seen); });
    guard.start(3000);
    return RUN_ALL_TESTS();
}
