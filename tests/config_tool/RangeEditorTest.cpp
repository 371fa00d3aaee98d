#include "ModalScript.h"
#include "ToolFixture.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTest>

namespace vorenta::test {
namespace {

class RangeEditorTest : public ToolTest {
protected:
    QLineEdit* edit(const char* name) { return form().findChild<QLineEdit*>(QString::fromLatin1(name)); }
    QTableView* grid() { return form().findChild<QTableView*>(QStringLiteral("DBGrid1")); }

    void type(const QString& start, const QString& end)
    {
        edit("EditIPInicial")->clear();
        edit("EditIPFInal")->clear();
        QTest::keyClicks(edit("EditIPInicial"), start);
        QTest::keyClicks(edit("EditIPFInal"), end);
    }
    void add() { form().findChild<QPushButton*>(QStringLiteral("bContadorVorentor"))->click(); }
    void excluir() { form().findChild<QAction*>(QStringLiteral("ExcluirRange1"))->trigger(); }

    /// The grid's rows as "start-end".
    QStringList shown()
    {
        QStringList rows;
        const QAbstractItemModel* model = grid()->model();
        for (int row = 0; row < model->rowCount(); ++row)
            rows.append(model->index(row, 0).data().toString() + u'-' +
                        model->index(row, 1).data().toString());
        return rows;
    }
    qint64 ownRanges()
    {
        return db().count(QStringLiteral("RangeIP"),
                          QStringLiteral("CHAVE = 'D''Ávila' and IDSERV = 'SRV-1'"));
    }
};

TEST_P(RangeEditorTest, ListShowsOnlyThisCollectorsRangesInCodOrder)
{
    db().insertRange(kChave, kIdServ, QStringLiteral("10.0.0.1"), QStringLiteral("10.0.0.9"));
    db().insertRange(kChave, QStringLiteral("other"), QStringLiteral("10.9.0.1"), QStringLiteral("10.9.0.9"));
    db().insertRange(kChave, kIdServ, QStringLiteral("10.0.1.1"), QVariant());
    form().ListRanges();
    EXPECT_EQ(shown(), QStringList({"10.0.0.1-10.0.0.9", "10.0.1.1-"}));
    EXPECT_EQ(grid()->currentIndex().row(), 0);
    EXPECT_EQ(grid()->editTriggers(), QAbstractItemView::NoEditTriggers);
    EXPECT_FALSE(grid()->model()->flags(grid()->model()->index(0, 0)) & Qt::ItemIsEditable);
}

TEST_P(RangeEditorTest, EmptyAddressIsRefusedWithoutAStatement)
{
    const std::pair<QString, QString> cases[] = {{"", "10.0.0.9"}, {"10.0.0.1", ""}, {"", ""}};
    for (const auto& [start, end] : cases) {
        SCOPED_TRACE((start + u'/' + end).toStdString());
        type(start, end);
        ModalScript script;
        script.answer(QMessageBox::Ok);
        add();
        ASSERT_EQ(script.messages().size(), 1);
        EXPECT_EQ(script.messages()[0].text, QStringLiteral("Informe a Range de Ip corretamente!"));
        EXPECT_EQ(script.messages()[0].title, QStringLiteral("Operação Incorreta"));
        EXPECT_EQ(script.messages()[0].icon, QMessageBox::Warning);
    }
    EXPECT_EQ(db().count(QStringLiteral("RangeIP")), 0);
}

TEST_P(RangeEditorTest, AValidRangeIsStoredOnceAndItsAddLogged)
{
    form().ListRanges();
    type(QStringLiteral("192.168.0.1"), QStringLiteral("192.168.0.254"));
    add();
    EXPECT_EQ(ownRanges(), 1);
    EXPECT_EQ(shown(), QStringList({"192.168.0.1-192.168.0.254"}));
    EXPECT_EQ(edit("EditIPInicial")->text(), QStringLiteral("192.168.0.1")); // the edits keep their texts
    ASSERT_EQ(log.lines.size(), 1) << log.lines.join(u'\n').toStdString();
    EXPECT_TRUE(log.lines[0].startsWith(QStringLiteral("Range de IP incluído por ")));
    EXPECT_TRUE(log.lines[0].endsWith(QStringLiteral(": 192.168.0.1 - 192.168.0.254")));

    // Leading zeros are read as the number; the row holds the address as the collector writes it.
    type(QStringLiteral("010.000.001.001"), QStringLiteral("10.0.1.020"));
    add();
    EXPECT_EQ(shown(), QStringList({"192.168.0.1-192.168.0.254", "10.0.1.1-10.0.1.20"}));

    // Enter in the end adds too; Enter in the start moves on to the end.
    type(QStringLiteral("10.0.2.1"), QString());
    edit("EditIPInicial")->setFocus();
    QTest::keyClick(edit("EditIPInicial"), Qt::Key_Return);
    EXPECT_EQ(ownRanges(), 2);
    EXPECT_TRUE(edit("EditIPFInal")->hasFocus() || !QApplication::focusWidget());
    QTest::keyClicks(edit("EditIPFInal"), QStringLiteral("10.0.2.9"));
    QTest::keyClick(edit("EditIPFInal"), Qt::Key_Return);
    EXPECT_EQ(ownRanges(), 3);
}

TEST_P(RangeEditorTest, RangesTheCollectorWouldNotWalkAreRefusedWithTheReason)
{
    db().insertRange(kChave, kIdServ, QStringLiteral("127.10.0.1"), QStringLiteral("127.10.0.9"));
    // Another collector's range is no conflict.
    db().insertRange(kChave, QStringLiteral("other"), QStringLiteral("127.10.7.1"), QStringLiteral("127.10.7.9"));
    form().ListRanges();
    const struct {
        const char* start;
        const char* end;
        const char* reason;
    } cases[] = {
        {"127.10.0.250", "127.10.1.5", "O IP final deve estar na mesma rede /24 do IP inicial: 127.10.0.x"},
        {"192.168.1", "192.168.1.300",
         "O IP inicial deve ser um endereço completo, quatro números de 0 a 255 separados por pontos: "
         "192.168.0.1"},
        {"192.168.1.1", "192.168.1.300",
         "O IP final deve ser um endereço completo, quatro números de 0 a 255 separados por pontos: "
         "192.168.1.254"},
        {"10.0.1", "10.0.1",
         "O IP inicial deve ser um endereço completo, quatro números de 0 a 255 separados por pontos: "
         "192.168.0.1"},
        {"127.10.3.20", "127.10.3.10",
         "O IP final deve ser igual ou maior que o IP inicial: 127.10.3.10 - 127.10.3.20"},
        {"127.10.0.1", "127.10.0.9", "Este range já está na lista: 127.10.0.1 - 127.10.0.9"},
        {"127.10.0.5", "127.10.0.20",
         "Este range tem IPs em comum com o range 127.10.0.1 - 127.10.0.9 da lista: informe IPs fora dele ou "
         "exclua-o antes."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.start) + " - " + c.end);
        log.lines.clear();
        type(QString::fromUtf8(c.start), QString::fromUtf8(c.end));
        ModalScript script;
        script.answer(QMessageBox::Ok);
        add();
        ASSERT_EQ(script.messages().size(), 1);
        EXPECT_EQ(script.messages()[0].text.toStdString(), c.reason);
        EXPECT_EQ(script.messages()[0].title, QStringLiteral("Operação Incorreta"));
        EXPECT_EQ(script.messages()[0].icon, QMessageBox::Warning);
        EXPECT_EQ(log.lines, QStringList(QStringLiteral("Range de IP recusado: ") + QString::fromUtf8(c.reason)));
    }
    EXPECT_EQ(ownRanges(), 1);
    EXPECT_EQ(shown(), QStringList({"127.10.0.1-127.10.0.9"}));

    // A row another technician added meanwhile counts too, though the grid did not show it yet.
    db().insertRange(kChave, kIdServ, QStringLiteral("127.10.8.1"), QStringLiteral("127.10.8.9"));
    type(QStringLiteral("127.10.8.1"), QStringLiteral("127.10.8.9"));
    ModalScript again;
    again.answer(QMessageBox::Ok);
    add();
    ASSERT_EQ(again.messages().size(), 1);
    EXPECT_EQ(again.messages()[0].text, QStringLiteral("Este range já está na lista: 127.10.8.1 - 127.10.8.9"));
    EXPECT_EQ(shown(), QStringList({"127.10.0.1-127.10.0.9", "127.10.8.1-127.10.8.9"}));
}

TEST_P(RangeEditorTest, DeleteAsksFirstAndRemovesTheCurrentRow)
{
    const qint64 first =
        db().insertRange(kChave, kIdServ, QStringLiteral("10.0.0.1"), QStringLiteral("10.0.0.9"));
    db().insertRange(kChave, kIdServ, QStringLiteral("10.0.1.1"), QStringLiteral("10.0.1.9"));
    form().ListRanges();
    grid()->setCurrentIndex(grid()->model()->index(1, 1));

    ModalScript refuse;
    QStringList buttons;
    refuse.then([&](QWidget* widget) {
        auto* box = qobject_cast<QMessageBox*>(widget);
        ASSERT_TRUE(box);
        for (QAbstractButton* button : box->buttons())
            buttons.append(button->text());
        EXPECT_EQ(box->defaultButton(), box->button(QMessageBox::No));
        widget->close();
    });
    excluir();
    EXPECT_EQ(refuse.pending(), 0);
    buttons.sort();
    EXPECT_EQ(buttons, QStringList({"&Não", "&Sim"}));
    EXPECT_EQ(ownRanges(), 2);

    ModalScript no;
    no.answer(QMessageBox::No);
    excluir();
    ASSERT_EQ(no.messages().size(), 1);
    EXPECT_EQ(no.messages()[0].text,
              QStringLiteral("Tem certeza que deseja excluir este range?\n10.0.1.1 - 10.0.1.9"));
    EXPECT_EQ(no.messages()[0].title, QStringLiteral("Confirmação de Operação"));
    EXPECT_EQ(no.messages()[0].icon, QMessageBox::Question);
    EXPECT_EQ(ownRanges(), 2);

    ModalScript confirm;
    confirm.answer(QMessageBox::Yes);
    excluir();
    EXPECT_EQ(confirm.pending(), 0);
    EXPECT_EQ(shown(), QStringList({"10.0.0.1-10.0.0.9"}));
    EXPECT_EQ(db().count(QStringLiteral("RangeIP"), QStringLiteral("Cod = %1").arg(first)), 1);
    EXPECT_EQ(ownRanges(), 1);
    ASSERT_EQ(log.lines.size(), 1) << log.lines.join(u'\n').toStdString();
    EXPECT_TRUE(log.lines[0].startsWith(QStringLiteral("Range de IP excluído por ")));
    EXPECT_TRUE(log.lines[0].endsWith(QStringLiteral(": 10.0.1.1 - 10.0.1.9")));
}

TEST_P(RangeEditorTest, DeleteOnAnEmptyListDeletesNothing)
{
    db().insertRange(QStringLiteral("someone else"), kIdServ, QStringLiteral("10.0.0.1"),
                     QStringLiteral("10.0.0.9"));
    form().ListRanges();
    ModalScript script;
    script.answer(QMessageBox::Yes);
    excluir();
    // Nothing to name in a question: the technician is told to choose a range.
    ASSERT_EQ(script.messages().size(), 1);
    EXPECT_EQ(script.messages()[0].text, QStringLiteral("Selecione na lista o range a excluir."));
    EXPECT_EQ(db().count(QStringLiteral("RangeIP")), 1);
    EXPECT_TRUE(shown().isEmpty());
}

TEST_P(RangeEditorTest, FailingStatementShowsTheDriverTextAndKeepsTheList)
{
    db().insertRange(kChave, kIdServ, QStringLiteral("10.0.0.1"), QStringLiteral("10.0.0.9"));
    form().ListRanges();
    db().execute(QStringLiteral("DROP TABLE RangeIP"));
    type(QStringLiteral("10.0.2.1"), QStringLiteral("10.0.2.9"));
    ModalScript script;
    script.answer(QMessageBox::Ok);
    add();
    ASSERT_EQ(script.messages().size(), 1);
    EXPECT_EQ(script.messages()[0].icon, QMessageBox::Critical);
    EXPECT_TRUE(script.messages()[0].text.contains(QStringLiteral("rangeip"), Qt::CaseInsensitive))
        << script.messages()[0].text.toStdString();
    // In Portuguese, naming the database, the driver's text after it.
    EXPECT_TRUE(script.messages()[0].text.startsWith(QStringLiteral("O banco de dados ") + tool().describe() +
                                                      QStringLiteral(" recusou a operação: ")))
        << script.messages()[0].text.toStdString();
    EXPECT_EQ(shown(), QStringList({"10.0.0.1-10.0.0.9"})) << "the list stays until a reload works";
    EXPECT_EQ(log.startingWith(QStringLiteral("Erro: ")).size(), 1);

    ModalScript failing; // the delete fails the same way; the list stays
    failing.answer(QMessageBox::Yes).answer(QMessageBox::Ok);
    excluir();
    EXPECT_EQ(failing.pending(), 0);
    EXPECT_EQ(shown(), QStringList({"10.0.0.1-10.0.0.9"}));
}

TEST_P(RangeEditorTest, AddWithoutTheCollectorsIdentityIsRefused)
{
    db().folder().writeIdentity(QString(), QString(), {}, {}, db().bancoSection());
    type(QStringLiteral("10.0.0.1"), QStringLiteral("10.0.0.9"));
    ModalScript script;
    script.answer(QMessageBox::Ok);
    add();
    ASSERT_EQ(script.messages().size(), 1);
    EXPECT_EQ(script.messages()[0].icon, QMessageBox::Warning);
    EXPECT_EQ(db().count(QStringLiteral("RangeIP")), 0);
    EXPECT_FALSE(log.lines.isEmpty());
}

TEST_P(RangeEditorTest, EquipamentosListsThisCollectorsDevicesAndItsLastPass)
{
    const QDateTime pass(QDate(2026, 3, 4), QTime(10, 20, 30));
    const struct {
        const char* serie;
        const char* ip;
        const char* idServ;
    } devices[] = {{"S-10", "10.0.0.10", "SRV-1"}, {"S-2", "10.0.0.2", "SRV-1"}, {"OUTRO", "10.0.0.3", "SRV-9"}};
    for (const auto& device : devices)
        db().insertRow(QStringLiteral("ListaEquipCli"),
                       {{QStringLiteral("Chave"), kChave},
                        {QStringLiteral("IDServ"), QString::fromUtf8(device.idServ)},
                        {QStringLiteral("nSerie"), QString::fromUtf8(device.serie)},
                        {QStringLiteral("Fabricante"), QStringLiteral("RICOH")},
                        {QStringLiteral("Modelo"), QStringLiteral("MP C2504")},
                        {QStringLiteral("IP"), QString::fromUtf8(device.ip)},
                        {QStringLiteral("LocalInstal"), QStringLiteral("Recepção")},
                        {QStringLiteral("UltLog"), pass.addSecs(-60)}});
    db().insertRow(QStringLiteral("UltLog"), {{QStringLiteral("Chave"), kChave},
                                              {QStringLiteral("IDServ"), kIdServ},
                                              {QStringLiteral("DataLOG"), pass}});
    form().ListEquipamentos();
    const QAbstractItemModel* model = form().findChild<QTableView*>(QStringLiteral("GridEquipamentos"))->model();
    QStringList titles;
    for (int column = 0; column < model->columnCount(); ++column)
        titles.append(model->headerData(column, Qt::Horizontal).toString());
    EXPECT_EQ(titles, QStringList({"Série", "Fabricante", "Modelo", "IP", "Local", "Última leitura"}));
    QStringList rows;
    for (int row = 0; row < model->rowCount(); ++row) {
        QStringList cells;
        for (int column = 0; column < model->columnCount(); ++column)
            cells.append(model->index(row, column).data().toString());
        rows.append(cells.join(u'|'));
    }
    EXPECT_EQ(rows, QStringList({"S-2|RICOH|MP C2504|10.0.0.2|Recepção|04/03/2026 10:19:30",
                                 "S-10|RICOH|MP C2504|10.0.0.10|Recepção|04/03/2026 10:19:30"}));
    EXPECT_EQ(form().findChild<QLabel*>(QStringLiteral("LabelUltLog"))->text(),
              QStringLiteral("Última passagem do coletor: 04/03/2026 10:20:30 · 2 equipamentos"));

    // A failed read keeps what is shown.
    db().execute(QStringLiteral("DROP TABLE ListaEquipCli"));
    ModalScript script;
    script.answer(QMessageBox::Ok);
    form().ListEquipamentos();
    EXPECT_EQ(script.messages().size(), 1);
    EXPECT_EQ(model->rowCount(), 2);
}

TEST_P(RangeEditorTest, TheWindowNamesTheCollectorAndTheDatabase)
{
    const QString shown = form().findChild<QLabel*>(QStringLiteral("LabelColetor"))->text();
    EXPECT_TRUE(shown.contains(QStringLiteral("Chave D'Ávila"))) << shown.toStdString();
    EXPECT_TRUE(shown.contains(QStringLiteral("IDServ SRV-1"))) << shown.toStdString();
    const DatabaseSettings& settings = db().settings();
    const QString database = settings.backend == DatabaseBackend::Sqlite
                                 ? settings.databaseName
                                 : settings.databaseName + " em " + settings.host + ":" + QString::number(settings.port);
    const auto* label = form().findChild<QLabel*>(QStringLiteral("LabelColetor"));
    EXPECT_EQ(label->toolTip(), database);
    // Whole when it fits; a long path of the embedded file is shortened in the middle.
    if (label->fontMetrics().horizontalAdvance(QStringLiteral("Banco de dados: ") + database) < label->width())
        EXPECT_TRUE(shown.contains(QStringLiteral("Banco de dados: ") + database)) << shown.toStdString();
    else
        EXPECT_TRUE(shown.contains(QStringLiteral("Banco de dados: ") + database.left(4))) << shown.toStdString();
}

VORENTA_INSTANTIATE_DATABASE_TESTS(RangeEditorTest);

} // namespace
} // namespace vorenta::test
