#include "LoginForm.h"

#include "FailureReport.h"
#include "ToolDatabase.h"
#include "ToolResources.h"
#include "common/ActivityLog.h"

#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPixmap>
#include <QPushButton>

namespace vorenta {

namespace {

// Flat and never focused, so the focus stays in the password edit, whose Enter is "&Entrar".
QPushButton* flatButton(const QString& text, const QRect& geometry, QWidget* parent)
{
    auto* button = new QPushButton(text, parent);
    button->setFlat(true);
    button->setFocusPolicy(Qt::NoFocus);
    button->setAutoDefault(false);
    button->setDefault(false);
    button->setGeometry(geometry);
    return button;
}

} // namespace

TFLogin::TFLogin(ToolDatabase& database, QString chave, LogSink& log, QWidget* parent)
    : QDialog(parent), m_database(database), m_chave(std::move(chave)), m_log(log)
{
    InitToolResources();
    setObjectName(QStringLiteral("FLogin"));
    setWindowTitle(QStringLiteral("Autenticação"));
    // Room below the buttons for the status line.
    setFixedSize(205, 103);
    setAutoFillBackground(true);
    QPalette white = palette();
    white.setColor(QPalette::Window, Qt::white);
    setPalette(white);

    Image2 = new QLabel(this);
    Image2->setObjectName(QStringLiteral("Image2"));
    Image2->setGeometry(7, 7, 49, 60);
    Image2->setPixmap(QPixmap(QStringLiteral(":/config_tool/login.png")));
    Image2->setScaledContents(true);

    Label1 = new QLabel(QStringLiteral("Informe a Senha"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->move(64, 14);
    Label1->adjustSize();

    EditSenha = new QLineEdit(this);
    EditSenha->setObjectName(QStringLiteral("EditSenha"));
    EditSenha->setGeometry(64, 30, 121, EditSenha->sizeHint().height());
    EditSenha->setEchoMode(QLineEdit::Password);
    // Styles that draw their own dots ignore a mask; those that honour it show "*".
    EditSenha->setStyleSheet(QStringLiteral("lineedit-password-character: 42;"));

    ButonOK = flatButton(QStringLiteral("&Entrar"), QRect(62, 57, 46, 21), this);
    ButonOK->setObjectName(QStringLiteral("ButonOK"));
    SpeedButton1 = flatButton(QStringLiteral("&Sair"), QRect(126, 60, 46, 21), this);
    SpeedButton1->setObjectName(QStringLiteral("SpeedButton1"));

    LabelStatus = new QLabel(this);
    LabelStatus->setObjectName(QStringLiteral("LabelStatus"));
    LabelStatus->setGeometry(7, 84, 191, 16);
    QFont small = LabelStatus->font();
    small.setPointSizeF(small.pointSizeF() * 0.9);
    LabelStatus->setFont(small);

    connect(ButonOK, &QPushButton::clicked, this, &TFLogin::ButonOKClick);
    connect(EditSenha, &QLineEdit::returnPressed, this, &TFLogin::ButonOKClick);
    connect(SpeedButton1, &QPushButton::clicked, this, &TFLogin::SpeedButton1Click);
    EditSenha->setFocus();
}

void TFLogin::setStatus(const QString& text, bool busy)
{
    LabelStatus->setText(text);
    m_busy = busy;
    if (!busy && m_entrarPending) {
        m_entrarPending = false;
        ButonOKClick();
    }
}

void TFLogin::ButonOKClick()
{
    // Asked before the connection is there: answered as soon as it is.
    if (m_busy) {
        m_entrarPending = true;
        return;
    }
    QString stored;
    if (!RunGuarded(this, m_log, [&] { stored = m_database.passwordOf(m_chave); }))
        return;
    if (EditSenha->text() == stored) {
        m_loginAccepted = true;
        accept();
        return;
    }
    // The typed text stays in the edit, and never goes to the log.
    m_log.WriteLog(QStringLiteral("Senha Inválida!"));
    QMessageBox::warning(this, QString(), QStringLiteral("Senha Inválida!"));
}

void TFLogin::SpeedButton1Click()
{
    reject();
}

} // namespace vorenta
