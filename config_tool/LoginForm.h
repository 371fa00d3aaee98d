#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

namespace vorenta {

class LogSink;
class ToolDatabase;

/// `TFLogin`, the password check before the range editor opens. The password is column Ed5 of
/// the customer's Parametros row and is compared exactly: letter case and blanks count, a null
/// column or a missing row is the empty password. There is no limit on attempts. Enter in the
/// password edit means "&Entrar".
class TFLogin final : public QDialog {
    Q_OBJECT
public:
    TFLogin(ToolDatabase& database, QString chave, LogSink& log, QWidget* parent = nullptr);

    /// True once a correct password was entered.
    bool LoginAccepted() const { return m_loginAccepted; }

    /// "&Entrar": checks the typed password; closes the form when it is right, else warns.
    void ButonOKClick();
    /// "&Sair": gives up; the caller ends the program.
    void SpeedButton1Click();

    /// Shows `text` on the form's status line ("Buscando configurações..." at start-up). While
    /// `busy`, "&Entrar" (or Enter) is remembered and runs once the form is ready again.
    void setStatus(const QString& text, bool busy);

private:
    ToolDatabase& m_database;
    QString m_chave;
    LogSink& m_log;
    bool m_loginAccepted = false;
    bool m_busy = false;
    bool m_entrarPending = false;

    QLabel* Image2;
    QLabel* Label1;
    QLineEdit* EditSenha;
    QPushButton* ButonOK;
    QPushButton* SpeedButton1;
    QLabel* LabelStatus;
};

} // namespace vorenta
