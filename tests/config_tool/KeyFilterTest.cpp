#include "config_tool/ConfigForm.h"
#include "config_tool/SqlToolDatabase.h"
#include "tests/support/CapturingLogSink.h"
#include "tests/support/TemporaryProgramFolder.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTest>

#include <gtest/gtest.h>

namespace vorenta::test {
namespace {

// The two address edits of a main form that never touches a database.
class KeyFilterTest : public ::testing::Test {
protected:
    TemporaryProgramFolder folder;
    CapturingLogSink log;
    SqlToolDatabase database{DatabaseSettings::embedded(folder.path()), folder.path()};
    TFConfig form{folder.path(), database, &log};

    QList<QLineEdit*> edits()
    {
        return {form.findChild<QLineEdit*>(QStringLiteral("EditIPInicial")),
                form.findChild<QLineEdit*>(QStringLiteral("EditIPFInal"))};
    }
};

TEST_F(KeyFilterTest, OnlyDigitsDotAndBackspaceReachTheEdits)
{
    form.show();
    const std::pair<QString, QString> cases[] = {
        {"192.168.0.1", "192.168.0.1"},
        {"1a2 b-3,4+5", "12345"},
        {"10.0.x.1\t", "10.0..1"},
    };
    for (QLineEdit* edit : edits()) {
        ASSERT_TRUE(edit);
        EXPECT_EQ(edit->maxLength(), 20);
        for (const auto& [typed, kept] : cases) {
            SCOPED_TRACE(typed.toStdString());
            edit->clear();
            QTest::keyClicks(edit, typed);
            EXPECT_EQ(edit->text(), kept);
        }
        // Characters no US key sends: accented letters, superscript digits, Arabic-Indic digits.
        edit->clear();
        for (const QString& typed : {QStringLiteral("é"), QStringLiteral("²"), QStringLiteral("٣")}) {
            QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, typed);
            QCoreApplication::sendEvent(edit, &press);
        }
        EXPECT_EQ(edit->text(), QString());

        edit->setText(QStringLiteral("10.0.0.12"));
        QTest::keyClick(edit, Qt::Key_Backspace);
        EXPECT_EQ(edit->text(), QStringLiteral("10.0.0.1"));
    }
}

TEST_F(KeyFilterTest, DeleteRemovesTheCharacterAfterTheCursor)
{
    form.show();
    for (QLineEdit* edit : edits()) {
        // As xkbcommon delivers Delete on Linux desktops: with the text U+007F.
        edit->setText(QStringLiteral("10.0.0.12"));
        edit->setCursorPosition(0);
        QKeyEvent press(QEvent::KeyPress, Qt::Key_Delete, Qt::NoModifier, QString(QChar(0x7F)));
        QCoreApplication::sendEvent(edit, &press);
        EXPECT_EQ(edit->text(), QStringLiteral("0.0.0.12"));

        // As QTest and other platforms send it.
        QTest::keyClick(edit, Qt::Key_Delete);
        EXPECT_EQ(edit->text(), QStringLiteral(".0.0.12"));

        // Shift+Delete is the clipboard's cut, which these edits do not offer.
        edit->selectAll();
        QKeyEvent cut(QEvent::KeyPress, Qt::Key_Delete, Qt::ShiftModifier, QString(QChar(0x7F)));
        QCoreApplication::sendEvent(edit, &cut);
        EXPECT_EQ(edit->text(), QStringLiteral(".0.0.12"));
    }
}

TEST_F(KeyFilterTest, ClipboardShortcutsAndLengthLimit)
{
    form.show();
    QGuiApplication::clipboard()->setText(QStringLiteral("abc"));
    for (QLineEdit* edit : edits()) {
        edit->clear();
        QTest::keyClick(edit, Qt::Key_V, Qt::ControlModifier);
        QTest::keyClick(edit, Qt::Key_Insert, Qt::ShiftModifier);
        EXPECT_EQ(edit->text(), QString());
        EXPECT_EQ(edit->contextMenuPolicy(), Qt::NoContextMenu);

        QTest::keyClicks(edit, QStringLiteral("123456789.123456789.1"));
        EXPECT_EQ(edit->text(), QStringLiteral("123456789.123456789.")); // the 21st is refused
        edit->selectAll();
        QTest::keyClick(edit, Qt::Key_X, Qt::ControlModifier);
        EXPECT_EQ(edit->text().size(), 20);
    }
}

} // namespace
} // namespace vorenta::test
