#pragma once

#include "common/CollectorIdentity.h"
#include "config_tool/ToolDatabase.h"

#include <QWidget>

#include <memory>

class QLabel;
class QLineEdit;
class QMenu;
class QFrame;
class QPushButton;
class QStandardItemModel;
class QTableView;
class QTabWidget;

namespace vorenta {

class ActivityLog;
class LogSink;
class ToolDatabase;

/// `TFConfig`, the main form: the start-up sequence (FormShow), the editor of the collector's
/// IP ranges and the "Equipamentos" tab. The grid is read-only: ranges are added with the button
/// (or Enter) and deleted through the grid's popup menu, so every row carries this collector's
/// Chave and IDServ. A range the collector would not walk is refused before the insert, by the
/// rules the collector applies (CheckIpRange). The line at the bottom names the collector and
/// the database the form edits.
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
    /// A failed read leaves the rows shown.
    void ListRanges();

    /// Adds the range typed in the two edits, or says what is wrong with it; logs who added it.
    void bContadorVorentorClick();

    /// Deletes the grid's current range after a confirmation that names it; logs who deleted it.
    void ExcluirRange1Click();

    /// Refills the "Equipamentos" tab: the collector's ListaEquipCli rows in address order and
    /// the time of its last pass (UltLog).
    void ListEquipamentos();

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
    void showRanges(const QList<RangeRow>& rows);
    void refuse(const QString& reason);
    void buildEquipmentTab();
    void showIdentity();
    void placePanels();
    static void styleGrid(QTableView* grid);

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
    QTabWidget* Abas;
    QLabel* LabelUltLog;
    QPushButton* bAtualizar;
    QTableView* GridEquipamentos;
    QStandardItemModel* m_devices;
    QLabel* LabelColetor;
};

} // namespace vorenta
