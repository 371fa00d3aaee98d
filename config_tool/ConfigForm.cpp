#include "ConfigForm.h"

#include "FailureReport.h"
#include "IpKeyFilter.h"
#include "LoginForm.h"
#include "ServerSettings.h"
#include "ToolDatabase.h"
#include "ToolResources.h"
#include "common/ActivityLog.h"
#include "common/IniFile.h"

#include <QDir>
#include <QFrame>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QStandardItemModel>
#include <QTableView>
#include <QVBoxLayout>

namespace vorenta {

namespace {

constexpr int kPanelHeight = 404;
constexpr int kColumnWidth = 150;
constexpr int kAddressMaxLength = 20;
constexpr int kCodRole = Qt::UserRole + 1;
// Without the collector's identity no range this tool adds would ever be walked.
const QString kIdentityMissing = QStringLiteral("Chave e IDServ não informados em Coletor.ini.");

QLabel* label(const QString& name, const QString& text, QPoint at, QWidget* parent)
{
    auto* item = new QLabel(text, parent);
    item->setObjectName(name);
    item->move(at);
    item->adjustSize();
    return item;
}

QLineEdit* addressEdit(const QString& name, QPoint at, QWidget* parent)
{
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(name);
    edit->setGeometry(at.x(), at.y(), 121, edit->sizeHint().height());
    edit->setMaxLength(kAddressMaxLength);
    EditIPInicialKeyPress::attachTo(edit);
    return edit;
}

QStandardItem* cell(const QString& text)
{
    auto* item = new QStandardItem(text);
    item->setEditable(false);
    return item;
}

} // namespace

TFConfig::TFConfig(QString programFolder, ToolDatabase& database, LogSink* log, QWidget* parent)
    : QWidget(parent), m_programFolder(std::move(programFolder)), m_database(database), m_injectedLog(log)
{
    InitToolResources();
    setObjectName(QStringLiteral("FConfig"));
    setWindowTitle(QStringLiteral("Configuração Vorenta"));
    resize(375, 520);
    setAutoFillBackground(true);
    QPalette grey = palette();
    grey.setColor(QPalette::Window, QColor(240, 240, 240));
    setPalette(grey);

    Label4 = label(QStringLiteral("Label4"), QStringLiteral("Versão 3.1"), {30, 8}, this);
    Label3 = new QLabel(QStringLiteral("Configuração de Range de IP Vorenta"), this);
    Label3->setObjectName(QStringLiteral("Label3"));
    QFont title = Label3->font();
    title.setBold(true);
    title.setPixelSize(16);
    Label3->setFont(title);
    Label3->move(30, 38);
    Label3->adjustSize();
    Label1 = label(QStringLiteral("Label1"), QStringLiteral("IP Inicial"), {30, 71}, this);
    Label2 = label(QStringLiteral("Label2"), QStringLiteral("IP Final"), {177, 71}, this);

    EditIPInicial = addressEdit(QStringLiteral("EditIPInicial"), {30, 87}, this);
    EditIPFInal = addressEdit(QStringLiteral("EditIPFInal"), {174, 87}, this);
    setTabOrder(EditIPInicial, EditIPFInal);

    bContadorVorentor = new QPushButton(this);
    bContadorVorentor->setObjectName(QStringLiteral("bContadorVorentor"));
    bContadorVorentor->setGeometry(304, 81, 22, 28);
    bContadorVorentor->setFlat(true);
    bContadorVorentor->setIcon(QIcon(QStringLiteral(":/config_tool/add.png")));
    bContadorVorentor->setToolTip(QStringLiteral("Busca de contador Vorentor"));
    connect(bContadorVorentor, &QPushButton::clicked, this, &TFConfig::bContadorVorentorClick);

    Panel1 = new QFrame(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setFrameShape(QFrame::StyledPanel);
    auto* panelLayout = new QVBoxLayout(Panel1);
    panelLayout->setContentsMargins(1, 1, 1, 1);

    m_ranges = new QStandardItemModel(0, 2, this);
    m_ranges->setHorizontalHeaderLabels({QStringLiteral("IP Inicial"), QStringLiteral("IP FINAL")});
    DBGrid1 = new QTableView(Panel1);
    DBGrid1->setObjectName(QStringLiteral("DBGrid1"));
    DBGrid1->setModel(m_ranges);
    DBGrid1->verticalHeader()->hide();
    DBGrid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    DBGrid1->setSelectionBehavior(QAbstractItemView::SelectRows);
    DBGrid1->setSelectionMode(QAbstractItemView::SingleSelection);
    DBGrid1->setTabKeyNavigation(true);
    DBGrid1->setShowGrid(true);
    QHeaderView* titles = DBGrid1->horizontalHeader();
    titles->setDefaultAlignment(Qt::AlignCenter);
    titles->setSectionResizeMode(QHeaderView::Interactive);
    titles->setStyleSheet(
        QStringLiteral("QHeaderView::section { font-weight: bold; background-color: palette(mid); "
                       "border: 1px solid palette(dark); padding: 2px; }"));
    DBGrid1->setColumnWidth(0, kColumnWidth);
    DBGrid1->setColumnWidth(1, kColumnWidth);
    panelLayout->addWidget(DBGrid1);

    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
    QAction* ExcluirRange1 = PopupMenu1->addAction(QStringLiteral("Excluir Range"));
    ExcluirRange1->setObjectName(QStringLiteral("ExcluirRange1"));
    connect(ExcluirRange1, &QAction::triggered, this, &TFConfig::ExcluirRange1Click);
    DBGrid1->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(DBGrid1, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { PopupMenu1->popup(DBGrid1->viewport()->mapToGlobal(at)); });

    Panel1->setGeometry(0, height() - kPanelHeight, width(), kPanelHeight);
}

TFConfig::~TFConfig() = default;

void TFConfig::resizeEvent(QResizeEvent* event)
{
    // The panel keeps to the bottom edge across the full width, whatever the form's size.
    Panel1->setGeometry(0, height() - kPanelHeight, width(), kPanelHeight);
    QWidget::resizeEvent(event);
}

LogSink& TFConfig::log()
{
    if (m_injectedLog)
        return *m_injectedLog;
    if (!m_activityLog)
        m_activityLog =
            std::make_unique<ActivityLog>(QDir(m_programFolder).filePath(QStringLiteral("LOG.TXT")));
    return *m_activityLog;
}

void TFConfig::openLogFile()
{
    m_activityLog = std::make_unique<ActivityLog>(QDir(m_programFolder).filePath(QStringLiteral("LOG.TXT")));
}

void TFConfig::PegaArquivoIni()
{
    openLogFile();
    try {
        m_identity = LoadCollectorIdentity(m_programFolder);
    } catch (const IniFileError& error) {
        log().WriteLog(QStringLiteral("Erro: ") + QString::fromUtf8(error.what()));
    }
    if (!m_identity.isComplete())
        log().WriteLog(kIdentityMissing);
}

void TFConfig::FormShow()
{
    PegaArquivoIni();
    ConnectToServer(m_programFolder, ProviderWebUrl(m_programFolder), m_database, log());
    m_loginAccepted = false;
    {
        TFLogin login(m_database, m_identity.Chave, log(), this);
        login.exec();
        m_loginAccepted = login.LoginAccepted();
    }
    if (!m_loginAccepted)
        emit terminateRequested();
    ListRanges();
}

void TFConfig::ListRanges()
{
    m_ranges->removeRows(0, m_ranges->rowCount());
    QList<RangeRow> rows;
    if (!RunGuarded(this, log(), [&] { rows = m_database.listRanges(m_identity.Chave, m_identity.IDServ); }))
        return;
    for (const RangeRow& row : rows) {
        QStandardItem* start = cell(row.IPIni);
        start->setData(row.Cod, kCodRole);
        m_ranges->appendRow({start, cell(row.IPFin)});
    }
    if (m_ranges->rowCount() > 0)
        DBGrid1->setCurrentIndex(m_ranges->index(0, 0));
}

void TFConfig::bContadorVorentorClick()
{
    if (EditIPInicial->text().isEmpty() || EditIPFInal->text().isEmpty()) {
        log().WriteLog(QStringLiteral("Informe a Range de Ip corretamente!"));
        QMessageBox::warning(this, QStringLiteral("Operação Incorreta"),
                             QStringLiteral("Informe a Range de Ip corretamente!"));
        return;
    }
    if (!m_identity.isComplete()) {
        log().WriteLog(kIdentityMissing);
        QMessageBox::warning(this, QStringLiteral("Operação Incorreta"), kIdentityMissing);
        return;
    }
    m_ranges->removeRows(0, m_ranges->rowCount());
    if (!RunGuarded(this, log(), [&] {
            m_database.insertRange(m_identity.Chave, m_identity.IDServ, EditIPInicial->text(),
                                   EditIPFInal->text());
        }))
        return;
    ListRanges();
}

void TFConfig::ExcluirRange1Click()
{
    const auto answer = QMessageBox::question(this, QStringLiteral("Confirmação de Operação"),
                                              QStringLiteral("Tem certeza que deseja excluir este range?"),
                                              QMessageBox::Yes | QMessageBox::No);
    if (answer != QMessageBox::Yes)
        return;
    const QModelIndex current = DBGrid1->currentIndex();
    // Without a current row there is nothing to delete; the list is still reloaded.
    if (current.isValid()) {
        const qint64 cod = m_ranges->index(current.row(), 0).data(kCodRole).toLongLong();
        if (!RunGuarded(this, log(), [&] { m_database.deleteRange(cod); }))
            return;
    }
    ListRanges();
}

} // namespace vorenta
