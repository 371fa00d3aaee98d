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
/// column or a missing row is the empty password. There is no limit on attempts.
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

private:
    ToolDatabase& m_database;
    QString m_chave;
    LogSink& m_log;
    bool m_loginAccepted = false;

    QLabel* Image2;
    QLabel* Label1;
    QLineEdit* EditSenha;
    QPushButton* ButonOK;
    QPushButton* SpeedButton1;
};

} // namespace vorenta
