#include "ToolFixture.h"

#include "config_tool/LoginForm.h"

#include <QDir>
#include <QLineEdit>
#include <QPixmap>
#include <QTest>

namespace vorenta::test {
namespace {

// Grabs both forms as the offscreen platform draws them, for the documentation
// (build folder screenshots/login.png, copied to docs/; the main window for docs/ is taken on a
// real display by RealToolTest, this one is screenshots/config-offscreen.png).
class ScreenshotTest : public ToolTest {};

TEST_P(ScreenshotTest, GrabsBothForms)
{
    const QString out = QStringLiteral(VORENTA_BINARY_DIR "/screenshots");
    ASSERT_TRUE(QDir().mkpath(out));

    TFLogin login(tool(), kChave, log);
    login.show();
    QTest::keyClicks(login.findChild<QLineEdit*>(QStringLiteral("EditSenha")), QStringLiteral("senha"));
    const QPixmap loginShot = login.grab();
    EXPECT_EQ(loginShot.size() / loginShot.devicePixelRatio(), QSize(205, 103));
    EXPECT_TRUE(loginShot.save(out + QStringLiteral("/login.png")));

    db().insertRange(kChave, kIdServ, QStringLiteral("192.168.0.1"), QStringLiteral("192.168.0.254"));
    db().insertRange(kChave, kIdServ, QStringLiteral("10.0.0.1"), QStringLiteral("10.0.0.50"));
    form().ListRanges();
    QTest::keyClicks(form().findChild<QLineEdit*>(QStringLiteral("EditIPInicial")),
                     QStringLiteral("172.16.0.1"));
    QTest::keyClicks(form().findChild<QLineEdit*>(QStringLiteral("EditIPFInal")),
                     QStringLiteral("172.16.0.99"));
    const QPixmap configShot = form().grab();
    EXPECT_EQ(configShot.size() / configShot.devicePixelRatio(), QSize(375, 556));
    EXPECT_TRUE(configShot.save(out + QStringLiteral("/config-offscreen.png")));
}

// One set of pictures is enough.
INSTANTIATE_TEST_SUITE_P(Embedded, ScreenshotTest, ::testing::Values(TestBackend::Sqlite), BackendName);

} // namespace
} // namespace vorenta::test
