#include "config_tool/ConfigForm.h"
#include "config_tool/SqlToolDatabase.h"
#include "tests/support/CapturingLogSink.h"
#include "tests/support/TemporaryProgramFolder.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
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

        // Shift+Delete is the clipboard's cut, as Ctrl+X.
        edit->selectAll();
        QKeyEvent cut(QEvent::KeyPress, Qt::Key_Delete, Qt::ShiftModifier, QString(QChar(0x7F)));
        QCoreApplication::sendEvent(edit, &cut);
        EXPECT_EQ(edit->text(), QString());
        EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral(".0.0.12"));
    }
}

TEST_F(KeyFilterTest, PasteInsertsTheDigitsAndDotsOfTheClipboard)
{
    form.show();
    const std::pair<QString, QString> cases[] = {
        {"abc", ""},
        {"IP: 10.0.0.1\n", "10.0.0.1"},
        {" 192.168.000.010 ", "192.168.000.010"},
        {"1234567890.1234567890.123", "1234567890.123456789"}, // the 21st and on are cut
    };
    for (QLineEdit* edit : edits()) {
        for (const auto& [copied, pasted] : cases) {
            SCOPED_TRACE(copied.toStdString());
            for (const QKeyCombination keys : {QKeyCombination(Qt::ControlModifier, Qt::Key_V),
                                               QKeyCombination(Qt::ShiftModifier, Qt::Key_Insert)}) {
                QGuiApplication::clipboard()->setText(copied);
                edit->clear();
                QTest::keyClick(edit, keys.key(), keys.keyboardModifiers());
                EXPECT_EQ(edit->text(), pasted);
            }
        }
        EXPECT_EQ(edit->contextMenuPolicy(), Qt::CustomContextMenu);

        QTest::keyClicks(edit, QStringLiteral("123456789.123456789.1"));
        EXPECT_EQ(edit->text().size(), 20); // the 21st is refused
        // Copy and cut work as anywhere.
        edit->setText(QStringLiteral("10.0.0.7"));
        edit->selectAll();
        QTest::keyClick(edit, Qt::Key_X, Qt::ControlModifier);
        EXPECT_EQ(edit->text(), QString());
        EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("10.0.0.7"));
    }
}

TEST_F(KeyFilterTest, TheContextMenuPastesTheSameWay)
{
    form.show();
    QLineEdit* edit = edits().front();
    QGuiApplication::clipboard()->setText(QStringLiteral("de 172.16.0.1 até"));
    emit edit->customContextMenuRequested(QPoint(5, 5));
    auto* menu = edit->findChild<QMenu*>(QStringLiteral("MenuEdicao"));
    ASSERT_TRUE(menu);
    QStringList items;
    for (QAction* action : menu->actions()) {
        if (!action->isSeparator())
            items.append(action->text());
    }
    EXPECT_EQ(items, QStringList({"&Recortar", "&Copiar", "Co&lar", "Selecionar &tudo"}));
    menu->findChild<QAction*>(QStringLiteral("Colar"))->trigger();
    menu->close();
    EXPECT_EQ(edit->text(), QStringLiteral("172.16.0.1"));
}

} // namespace
} // namespace vorenta::test
