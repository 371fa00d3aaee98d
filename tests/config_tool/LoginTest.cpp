#include "ModalScript.h"
#include "ToolFixture.h"

#include "config_tool/LoginForm.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QStandardItemModel>
#include <QTableView>
#include <QTest>

namespace vorenta::test {
namespace {

class LoginTest : public ToolTest {};

struct PasswordCase {
    const char* name;
    bool hasRow;
    QVariant ed5; // null QVariant: Ed5 is NULL
    QString typed;
    bool accepted;
};

TEST_P(LoginTest, ComparesTypedPasswordExactlyWithEd5)
{
    const PasswordCase cases[] = {
        {"same text", true, QStringLiteral("Segredo 1"), QStringLiteral("Segredo 1"), true},
        {"letter case differs", true, QStringLiteral("Segredo 1"), QStringLiteral("segredo 1"), false},
        {"trailing blank", true, QStringLiteral("Segredo 1"), QStringLiteral("Segredo 1 "), false},
        {"quote in password", true, QStringLiteral("a'b"), QStringLiteral("a'b"), true},
        {"null Ed5, empty field", true, QVariant(), QString(), true},
        {"empty Ed5, empty field", true, QString(""), QString(), true},
        {"no row, empty field", false, QVariant(), QString(), true},
        {"no row, typed text", false, QVariant(), QStringLiteral("x"), false},
    };
    for (const PasswordCase& c : cases) {
        SCOPED_TRACE(c.name);
        db().execute(QStringLiteral("Delete from Parametros"));
        if (c.hasRow)
            db().insertRow(QStringLiteral("Parametros"),
                           {{QStringLiteral("chave"), kChave}, {QStringLiteral("Ed5"), c.ed5}});
        // Another customer's password must not open this collector.
        db().insertRow(QStringLiteral("Parametros"), {{QStringLiteral("chave"), QStringLiteral("outro")},
                                                      {QStringLiteral("Ed5"), c.typed + u'!'}});

        log.lines.clear();
        TFLogin login(tool(), kChave, log);
        login.show();
        auto* edit = login.findChild<QLineEdit*>(QStringLiteral("EditSenha"));
        ASSERT_TRUE(edit);
        QTest::keyClicks(edit, c.typed);
        ModalScript script;
        if (!c.accepted)
            script.answer(QMessageBox::Ok);
        login.findChild<QPushButton*>(QStringLiteral("ButonOK"))->click();

        EXPECT_EQ(login.LoginAccepted(), c.accepted);
        EXPECT_EQ(login.result(), c.accepted ? QDialog::Accepted : QDialog::Rejected);
        EXPECT_EQ(script.pending(), 0);
        if (!c.accepted) {
            ASSERT_EQ(script.messages().size(), 1);
            EXPECT_EQ(script.messages()[0].text, QStringLiteral("Senha Inválida!"));
            EXPECT_EQ(script.messages()[0].title, QString());
            EXPECT_EQ(script.messages()[0].icon, QMessageBox::Warning);
            EXPECT_EQ(edit->text(), c.typed);
            EXPECT_TRUE(login.isVisible());
        }
        // A refusal is a failure the technician sees, so it is logged; the typed text never is.
        EXPECT_EQ(log.lines, c.accepted ? QStringList() : QStringList({QStringLiteral("Senha Inválida!")}));
        for (const QString& line : log.lines)
            EXPECT_FALSE(!c.typed.isEmpty() && line.contains(c.typed)) << line.toStdString();
    }
}

TEST_P(LoginTest, EnterInThePasswordEditMeansEntrar)
{
    db().insertRow(QStringLiteral("Parametros"),
                   {{QStringLiteral("chave"), kChave}, {QStringLiteral("Ed5"), QStringLiteral("pw")}});
    TFLogin login(tool(), kChave, log);
    login.show();
    auto* edit = login.findChild<QLineEdit*>(QStringLiteral("EditSenha"));
    EXPECT_EQ(edit->echoMode(), QLineEdit::Password);
    QTest::keyClicks(edit, QStringLiteral("px"));
    ModalScript wrong;
    wrong.answer(QMessageBox::Ok);
    QTest::keyClick(edit, Qt::Key_Return);
    ASSERT_EQ(wrong.messages().size(), 1);
    EXPECT_EQ(wrong.messages()[0].text, QStringLiteral("Senha Inválida!"));
    EXPECT_FALSE(login.LoginAccepted());

    edit->clear();
    QTest::keyClicks(edit, QStringLiteral("pw"));
    QTest::keyClick(edit, Qt::Key_Enter); // the keypad's
    EXPECT_TRUE(login.LoginAccepted());
    // The buttons never take the focus from the password.
    for (auto* button : login.findChildren<QPushButton*>())
        EXPECT_EQ(button->focusPolicy(), Qt::NoFocus);
}

TEST_P(LoginTest, EntrarWhileTheSettingsAreFetchedRunsOnceTheyArrive)
{
    db().insertRow(QStringLiteral("Parametros"),
                   {{QStringLiteral("chave"), kChave}, {QStringLiteral("Ed5"), QStringLiteral("pw")}});
    TFLogin login(tool(), kChave, log);
    login.show();
    login.setStatus(QStringLiteral("Buscando configurações..."), true);
    EXPECT_EQ(login.findChild<QLabel*>(QStringLiteral("LabelStatus"))->text(),
              QStringLiteral("Buscando configurações..."));
    QTest::keyClicks(login.findChild<QLineEdit*>(QStringLiteral("EditSenha")), QStringLiteral("pw"));
    login.findChild<QPushButton*>(QStringLiteral("ButonOK"))->click();
    EXPECT_FALSE(login.LoginAccepted()) << "no password query before the connection";
    login.setStatus(QString(), false);
    EXPECT_TRUE(login.LoginAccepted());
}

// How the technician leaves the login, and whether the program goes on.
struct LeaveCase {
    const char* name;
    std::function<void(QWidget*)> step;
    bool accepted;
};

TEST_P(LoginTest, FormShowListsRangesOnceWhateverTheLoginOutcome)
{
    db().insertRow(QStringLiteral("Parametros"),
                   {{QStringLiteral("chave"), kChave}, {QStringLiteral("Ed5"), QStringLiteral("pw")}});
    db().insertRange(kChave, kIdServ, QStringLiteral("10.0.0.1"), QStringLiteral("10.0.0.9"));
    const LeaveCase cases[] = {
        {"Sair", [](QWidget* w) { w->findChild<QPushButton*>(QStringLiteral("SpeedButton1"))->click(); },
         false},
        {"window closed", [](QWidget* w) { w->close(); }, false},
        {"right password",
         [](QWidget* w) {
             QTest::keyClicks(w->findChild<QLineEdit*>(QStringLiteral("EditSenha")), QStringLiteral("pw"));
             w->findChild<QPushButton*>(QStringLiteral("ButonOK"))->click();
         },
         true},
    };
    for (const LeaveCase& c : cases) {
        SCOPED_TRACE(c.name);
        log.lines.clear();
        SqlToolDatabase database(LoadDatabaseSettings(programFolder()), programFolder());
        TFConfig config(programFolder(), database, &log);
        QSignalSpy terminate(&config, &TFConfig::terminateRequested);
        config.show();
        ModalScript script;
        script.then([&](QWidget* modal) {
            EXPECT_TRUE(qobject_cast<TFLogin*>(modal));
            c.step(modal);
        });
        config.FormShow();

        EXPECT_EQ(script.pending(), 0);
        EXPECT_EQ(config.LoginAccepted(), c.accepted);
        EXPECT_EQ(terminate.count(), c.accepted ? 0 : 1);
        // The range list ran once in every case.
        EXPECT_EQ(config.findChild<QTableView*>(QStringLiteral("DBGrid1"))->model()->rowCount(), 1);
        EXPECT_TRUE(log.startingWith(QStringLiteral("Erro")).isEmpty())
            << log.lines.join(u'\n').toStdString();
    }
}

VORENTA_INSTANTIATE_DATABASE_TESTS(LoginTest);

TEST(LoginWithoutDatabase, ConnectionFailureIsLoggedAndEntrarReportsTheError)
{
    TemporaryProgramFolder folder;
    const quint16 deadPort = UnusedLoopbackPort();
    folder.writeIdentity(
        QStringLiteral("K"), QStringLiteral("S"), {}, {},
        "[BANCO]\r\nTipo=postgresql\r\nServidor=127.0.0.1\r\nPorta=" + QByteArray::number(deadPort) +
            "\r\nBancoDados=x\r\nUsuario=x\r\n[CONFIG]\r\nServidorWeb=http://127.0.0.1:" +
            QByteArray::number(UnusedLoopbackPort()) + "\r\n");
    CapturingLogSink log;
    SqlToolDatabase database(LoadDatabaseSettings(folder.path()), folder.path());
    TFConfig config(folder.path(), database, &log);
    config.show();

    ModalScript script;
    script
        .then([](QWidget* login) {
            ASSERT_TRUE(qobject_cast<TFLogin*>(login));
            login->findChild<QPushButton*>(QStringLiteral("ButonOK"))->click();
        })
        .answer(QMessageBox::Ok) // the password query cannot run
        .then([](QWidget* login) {
            ASSERT_TRUE(qobject_cast<TFLogin*>(login)); // still open after the error
            login->findChild<QPushButton*>(QStringLiteral("SpeedButton1"))->click();
        })
        .answer(QMessageBox::Ok); // the range list cannot run either
    config.FormShow();

    EXPECT_EQ(script.pending(), 0);
    EXPECT_EQ(log.startingWith(QStringLiteral("Erro de conexão. : ")).size(), 1)
        << log.lines.join(u'\n').toStdString();
    ASSERT_GE(script.messages().size(), 1);
    EXPECT_EQ(script.messages()[0].icon, QMessageBox::Critical);
    EXPECT_FALSE(script.messages()[0].text.isEmpty());
    EXPECT_FALSE(config.LoginAccepted());
}

} // namespace
} // namespace vorenta::test
