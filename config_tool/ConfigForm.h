#pragma once

#include "common/CollectorIdentity.h"

#include <QWidget>

#include <memory>

class QLabel;
class QLineEdit;
class QMenu;
class QFrame;
class QPushButton;
class QStandardItemModel;
class QTableView;

namespace vorenta {

class ActivityLog;
class LogSink;
class ToolDatabase;

/// `TFConfig`, the main form: the start-up sequence (FormShow) and the editor of the collector's
/// IP ranges. The grid is read-only: ranges are added with the button and deleted through the
/// grid's popup menu, so every row carries this collector's Chave and IDServ.
class TFConfig final : public QWidget {
    Q_OBJECT
public:
    /// `programFolder` holds Coletor.ini and LOG.TXT. `log` replaces LOG.TXT when given (tests).
    TFConfig(QString programFolder, ToolDatabase& database, LogSink* log = nullptr,
             QWidget* parent = nullptr);
    ~TFConfig() override;

    /// The start-up sequence: identity, settings download and connection, the modal login, then
    /// the range list, which runs once even when the login was abandoned.
    void FormShow();

    /// LOG.TXT in the program folder, and Chave and IDServ from Coletor.ini.
    void PegaArquivoIni();

    /// Refills the grid with the collector's ranges in Cod order; the first row becomes current.
    void ListRanges();

    /// Adds the range typed in the two edits.
    void bContadorVorentorClick();

    /// Deletes the grid's current range after a confirmation.
    void ExcluirRange1Click();

    /// False until a correct password was given at FormShow.
    bool LoginAccepted() const { return m_loginAccepted; }

    const CollectorIdentity& identity() const { return m_identity; }

signals:
    /// The login was refused or abandoned: the program must end once FormShow has returned.
    void terminateRequested();

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    LogSink& log();
    /// LogFile := the program folder followed by LOG.TXT.
    void openLogFile();

    QString m_programFolder;
    ToolDatabase& m_database;
    LogSink* m_injectedLog;
    std::unique_ptr<ActivityLog> m_activityLog;
    CollectorIdentity m_identity;
    bool m_loginAccepted = false;

    QLabel* Label4;
    QLabel* Label3;
    QLabel* Label1;
    QLabel* Label2;
    QLineEdit* EditIPInicial;
    QLineEdit* EditIPFInal;
    QPushButton* bContadorVorentor;
    QFrame* Panel1;
    QTableView* DBGrid1;
    QStandardItemModel* m_ranges;
    QMenu* PopupMenu1;
};

} // namespace vorenta
