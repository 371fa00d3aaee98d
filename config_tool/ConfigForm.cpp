#include "ConfigForm.h"

#include "FailureReport.h"
#include "IpKeyFilter.h"
#include "LoginForm.h"
#include "ServerSettings.h"
#include "ToolDatabase.h"
#include "ToolResources.h"
#include "common/ActivityLog.h"
#include "common/IniFile.h"
#include "common/IpRange.h"
#include "common/LogSettings.h"
#include "common/TextRules.h"

#include <QDir>
#include <QFrame>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QStandardItemModel>
#include <QTabWidget>
#include <QTableView>
#include <QVBoxLayout>

#include <pwd.h>
#include <unistd.h>

#include <algorithm>

namespace vorenta {

namespace {

constexpr int kPanelHeight = 404;
// The line under the panel that names the collector and the database.
constexpr int kInfoHeight = 36;
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

QString shownDateTime(const QDateTime& at)
{
    return at.isValid() ? at.toString(QStringLiteral("dd/MM/yyyy HH:mm:ss")) : QString();
}

// Who changed a range, for LOG.TXT: the login the tool runs under.
QString userName()
{
    if (const passwd* entry = ::getpwuid(::geteuid()); entry && entry->pw_name)
        return QString::fromLocal8Bit(entry->pw_name);
    return qEnvironmentVariable("USER", QStringLiteral("desconhecido"));
}

// Devices in address order, as a technician walks the site: 10.0.0.2 before 10.0.0.10.
bool addressBefore(const DeviceRow& a, const DeviceRow& b)
{
    const std::optional<DottedAddress> left = ParseDottedAddress(a.IP);
    const std::optional<DottedAddress> right = ParseDottedAddress(b.IP);
    if (left && right)
        return left->numbers < right->numbers;
    if (left || right)
        return bool(left);
    return a.IP < b.IP;
}

} // namespace

TFConfig::TFConfig(QString programFolder, ToolDatabase& database, LogSink* log, QWidget* parent)
    : QWidget(parent), m_programFolder(std::move(programFolder)), m_database(database), m_injectedLog(log)
{
    InitToolResources();
    setObjectName(QStringLiteral("FConfig"));
    setWindowTitle(QStringLiteral("Configuração Vorenta"));
    resize(375, 520 + kInfoHeight);
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
    Abas = new QTabWidget(Panel1);
    Abas->setObjectName(QStringLiteral("Abas"));
    panelLayout->addWidget(Abas);

    m_ranges = new QStandardItemModel(0, 2, this);
    m_ranges->setHorizontalHeaderLabels({QStringLiteral("IP Inicial"), QStringLiteral("IP FINAL")});
    DBGrid1 = new QTableView;
    DBGrid1->setObjectName(QStringLiteral("DBGrid1"));
    DBGrid1->setModel(m_ranges);
    styleGrid(DBGrid1);
    DBGrid1->setColumnWidth(0, kColumnWidth);
    DBGrid1->setColumnWidth(1, kColumnWidth);
    Abas->addTab(DBGrid1, QStringLiteral("Ranges de IP"));

    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
    QAction* ExcluirRange1 = PopupMenu1->addAction(QStringLiteral("Excluir Range"));
    ExcluirRange1->setObjectName(QStringLiteral("ExcluirRange1"));
    connect(ExcluirRange1, &QAction::triggered, this, &TFConfig::ExcluirRange1Click);
    DBGrid1->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(DBGrid1, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { PopupMenu1->popup(DBGrid1->viewport()->mapToGlobal(at)); });

    // Enter in the start moves on to the end; Enter in the end adds, as the button does.
    connect(EditIPInicial, &QLineEdit::returnPressed, this, [this] {
        if (EditIPFInal->text().isEmpty())
            EditIPFInal->setFocus();
        else
            bContadorVorentorClick();
    });
    connect(EditIPFInal, &QLineEdit::returnPressed, this, &TFConfig::bContadorVorentorClick);

    buildEquipmentTab();

    LabelColetor = new QLabel(this);
    LabelColetor->setObjectName(QStringLiteral("LabelColetor"));
    LabelColetor->setTextInteractionFlags(Qt::TextSelectableByMouse);
    showIdentity();

    placePanels();
}

void TFConfig::styleGrid(QTableView* grid)
{
    grid->verticalHeader()->hide();
    grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    grid->setSelectionMode(QAbstractItemView::SingleSelection);
    grid->setTabKeyNavigation(true);
    grid->setShowGrid(true);
    QHeaderView* titles = grid->horizontalHeader();
    titles->setDefaultAlignment(Qt::AlignCenter);
    titles->setSectionResizeMode(QHeaderView::Interactive);
    titles->setStyleSheet(
        QStringLiteral("QHeaderView::section { font-weight: bold; background-color: palette(mid); "
                       "border: 1px solid palette(dark); padding: 2px; }"));
}

void TFConfig::buildEquipmentTab()
{
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("TabEquipamentos"));
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(4, 4, 4, 4);
    auto* top = new QHBoxLayout;
    LabelUltLog = new QLabel(page);
    LabelUltLog->setObjectName(QStringLiteral("LabelUltLog"));
    LabelUltLog->setWordWrap(true);
    bAtualizar = new QPushButton(QStringLiteral("&Atualizar"), page);
    bAtualizar->setObjectName(QStringLiteral("bAtualizar"));
    top->addWidget(LabelUltLog, 1);
    top->addWidget(bAtualizar);
    layout->addLayout(top);

    m_devices = new QStandardItemModel(0, 6, this);
    m_devices->setHorizontalHeaderLabels({QStringLiteral("Série"), QStringLiteral("Fabricante"),
                                          QStringLiteral("Modelo"), QStringLiteral("IP"), QStringLiteral("Local"),
                                          QStringLiteral("Última leitura")});
    GridEquipamentos = new QTableView(page);
    GridEquipamentos->setObjectName(QStringLiteral("GridEquipamentos"));
    GridEquipamentos->setModel(m_devices);
    styleGrid(GridEquipamentos);
    layout->addWidget(GridEquipamentos);
    Abas->addTab(page, QStringLiteral("Equipamentos"));

    connect(bAtualizar, &QPushButton::clicked, this, &TFConfig::ListEquipamentos);
    // Opening the tab reads the list afresh; "Atualizar" reads it again while the tab is open.
    connect(Abas, &QTabWidget::currentChanged, this, [this, page](int index) {
        if (Abas->widget(index) == page && m_loginAccepted)
            ListEquipamentos();
    });
}

void TFConfig::showIdentity()
{
    const QString chave = m_identity.Chave.isEmpty() ? QStringLiteral("(não informada)") : m_identity.Chave;
    const QString idServ = m_identity.IDServ.isEmpty() ? QStringLiteral("(não informado)") : m_identity.IDServ;
    // A long path of the embedded file is shortened in the middle; the tooltip keeps it whole.
    const QString database = m_database.describe();
    const QString shown =
        LabelColetor->fontMetrics().elidedText(database, Qt::ElideMiddle, width() - 16 -
                                                   LabelColetor->fontMetrics().horizontalAdvance(
                                                       QStringLiteral("Banco de dados: ")));
    LabelColetor->setText(QStringLiteral("Coletor: Chave %1  ·  IDServ %2\nBanco de dados: %3")
                              .arg(EscapedText(chave), EscapedText(idServ), shown));
    LabelColetor->setToolTip(database);
}

void TFConfig::placePanels()
{
    // The panel keeps to the bottom edge across the full width, above the collector's line.
    const int infoTop = height() - kInfoHeight;
    Panel1->setGeometry(0, infoTop - kPanelHeight, width(), kPanelHeight);
    LabelColetor->setGeometry(8, infoTop + 2, width() - 16, kInfoHeight - 4);
}

TFConfig::~TFConfig() = default;

void TFConfig::resizeEvent(QResizeEvent* event)
{
    placePanels();
    showIdentity();
    QWidget::resizeEvent(event);
}

LogSink& TFConfig::log()
{
    if (m_injectedLog)
        return *m_injectedLog;
    if (!m_activityLog)
        openLogFile();
    return *m_activityLog;
}

void TFConfig::openLogFile()
{
    // The earlier files kept as the collector keeps them, when both write one LOG.TXT.
    m_activityLog = std::make_unique<ActivityLog>(QDir(m_programFolder).filePath(QStringLiteral("LOG.TXT")),
                                                  &QDateTime::currentDateTime,
                                                  LoadLogSettings(m_programFolder).keptFiles);
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
    showIdentity();
}

void TFConfig::FormShow()
{
    PegaArquivoIni();
    m_loginAccepted = false;
    {
        // The login shows at once; the settings download and the connection run behind it, so a
        // web server that does not answer never freezes the window.
        TFLogin login(m_database, m_identity.Chave, log(), this);
        login.setStatus(QStringLiteral("Buscando configurações..."), true);
        StartConnectToServer(m_programFolder, ProviderWebUrl(m_programFolder), m_database, log(), &login,
                             [this, &login](bool connected) {
                                 showIdentity();
                                 login.setStatus(connected ? QString()
                                                           : QStringLiteral("Sem conexão com o banco de dados."),
                                                 false);
                             });
        login.exec();
        m_loginAccepted = login.LoginAccepted();
    }
    if (!m_loginAccepted)
        emit terminateRequested();
    ListRanges();
}

void TFConfig::ListRanges()
{
    // The rows shown stay until a reload succeeds: an empty grid after a failure would look as
    // if every range had been deleted.
    QList<RangeRow> rows;
    if (!RunGuarded(this, log(), [&] { rows = m_database.listRanges(m_identity.Chave, m_identity.IDServ); }))
        return;
    showRanges(rows);
}

void TFConfig::showRanges(const QList<RangeRow>& rows)
{
    m_ranges->removeRows(0, m_ranges->rowCount());
    for (const RangeRow& row : rows) {
        QStandardItem* start = cell(row.IPIni);
        start->setData(row.Cod, kCodRole);
        m_ranges->appendRow({start, cell(row.IPFin)});
    }
    if (m_ranges->rowCount() > 0)
        DBGrid1->setCurrentIndex(m_ranges->index(0, 0));
}

void TFConfig::refuse(const QString& reason)
{
    log().WriteLog(QStringLiteral("Range de IP recusado: ") + reason);
    QMessageBox::warning(this, QStringLiteral("Operação Incorreta"), reason);
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
    // Checked against the list as the database holds it now, not as the grid last showed it.
    QList<RangeRow> rows;
    if (!RunGuarded(this, log(), [&] { rows = m_database.listRanges(m_identity.Chave, m_identity.IDServ); }))
        return;
    showRanges(rows);
    QList<IpRange> listed;
    for (const RangeRow& row : rows) {
        // As the collector reads its stored rows; one it cannot walk collides with nothing.
        const IpRangeVerdict stored = CheckIpRange(row.IPIni, row.IPFin, {}, IpRangeEnd::HostPastNetwork);
        if (stored.ok())
            listed.append(*stored.range);
    }
    const IpRangeVerdict verdict = CheckIpRange(EditIPInicial->text(), EditIPFInal->text(), listed);
    if (!verdict.ok()) {
        refuse(verdict.reason);
        return;
    }
    // Stored as the collector writes addresses: no leading zeros.
    const IpRange& range = *verdict.range;
    const QString start = range.prefix + QString::number(range.firstHost);
    const QString end = range.prefix + QString::number(range.lastHost);
    if (!RunGuarded(this, log(), [&] { m_database.insertRange(m_identity.Chave, m_identity.IDServ, start, end); }))
        return;
    log().WriteLog(QStringLiteral("Range de IP incluído por %1: %2 - %3").arg(userName(), start, end));
    ListRanges();
}

void TFConfig::ExcluirRange1Click()
{
    const QModelIndex current = DBGrid1->currentIndex();
    if (!current.isValid()) {
        QMessageBox::information(this, QStringLiteral("Excluir Range"),
                                 QStringLiteral("Selecione na lista o range a excluir."));
        return;
    }
    const qint64 cod = m_ranges->index(current.row(), 0).data(kCodRole).toLongLong();
    const QString range = m_ranges->index(current.row(), 0).data().toString() + QStringLiteral(" - ") +
                          m_ranges->index(current.row(), 1).data().toString();
    QMessageBox question(QMessageBox::Question, QStringLiteral("Confirmação de Operação"),
                         QStringLiteral("Tem certeza que deseja excluir este range?\n") + EscapedText(range),
                         QMessageBox::Yes | QMessageBox::No, this);
    question.button(QMessageBox::Yes)->setText(QStringLiteral("&Sim"));
    question.button(QMessageBox::No)->setText(QStringLiteral("&Não"));
    question.setDefaultButton(QMessageBox::No);
    if (question.exec() != QMessageBox::Yes)
        return;
    if (!RunGuarded(this, log(), [&] { m_database.deleteRange(cod); }))
        return;
    log().WriteLog(QStringLiteral("Range de IP excluído por %1: %2").arg(userName(), EscapedText(range)));
    ListRanges();
}

void TFConfig::ListEquipamentos()
{
    QList<DeviceRow> devices;
    QDateTime lastPass;
    if (!RunGuarded(this, log(), [&] {
            devices = m_database.listDevices(m_identity.Chave, m_identity.IDServ);
            lastPass = m_database.lastPass(m_identity.Chave, m_identity.IDServ);
        }))
        return;
    std::stable_sort(devices.begin(), devices.end(), addressBefore);
    m_devices->removeRows(0, m_devices->rowCount());
    for (const DeviceRow& device : devices)
        m_devices->appendRow({cell(EscapedText(device.NSerie)), cell(EscapedText(device.Fabricante)),
                              cell(EscapedText(device.Modelo)), cell(EscapedText(device.IP)),
                              cell(EscapedText(device.LocalInstal)), cell(shownDateTime(device.UltLog))});
    GridEquipamentos->resizeColumnsToContents();
    const QString count = devices.size() == 1 ? QStringLiteral("1 equipamento")
                                              : QStringLiteral("%1 equipamentos").arg(devices.size());
    LabelUltLog->setText(lastPass.isValid()
                             ? QStringLiteral("Última passagem do coletor: %1 · %2").arg(shownDateTime(lastPass), count)
                             : QStringLiteral("O coletor ainda não gravou leituras. · ") + count);
}

} // namespace vorenta
