#include "ModalScript.h"
#include "ToolFixture.h"

#include <QAction>
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

TEST_P(RangeEditorTest, AddingTwiceStoresTwoRowsShownInCodOrder)
{
    form().ListRanges();
    type(QStringLiteral("192.168.0.1"), QStringLiteral("192.168.0.254"));
    add();
    add();
    type(QStringLiteral("10.0.1"), QStringLiteral("10.0.1")); // stored as typed, no form check
    add();
    EXPECT_EQ(ownRanges(), 3);
    EXPECT_EQ(shown(),
              QStringList({"192.168.0.1-192.168.0.254", "192.168.0.1-192.168.0.254", "10.0.1-10.0.1"}));
    EXPECT_EQ(edit("EditIPInicial")->text(), QStringLiteral("10.0.1")); // the edits keep their texts
    EXPECT_TRUE(log.lines.isEmpty()) << log.lines.join(u'\n').toStdString();
}

TEST_P(RangeEditorTest, DeleteAsksFirstAndRemovesTheCurrentRow)
{
    const qint64 first =
        db().insertRange(kChave, kIdServ, QStringLiteral("10.0.0.1"), QStringLiteral("10.0.0.9"));
    db().insertRange(kChave, kIdServ, QStringLiteral("10.0.1.1"), QStringLiteral("10.0.1.9"));
    form().ListRanges();
    grid()->setCurrentIndex(grid()->model()->index(1, 1));

    ModalScript refuse;
    refuse.answer(QMessageBox::No);
    excluir();
    ASSERT_EQ(refuse.messages().size(), 1);
    EXPECT_EQ(refuse.messages()[0].text, QStringLiteral("Tem certeza que deseja excluir este range?"));
    EXPECT_EQ(refuse.messages()[0].title, QStringLiteral("Confirmação de Operação"));
    EXPECT_EQ(refuse.messages()[0].icon, QMessageBox::Question);
    EXPECT_EQ(ownRanges(), 2);

    ModalScript confirm;
    confirm.answer(QMessageBox::Yes);
    excluir();
    EXPECT_EQ(confirm.pending(), 0);
    EXPECT_EQ(shown(), QStringList({"10.0.0.1-10.0.0.9"}));
    EXPECT_EQ(db().count(QStringLiteral("RangeIP"), QStringLiteral("Cod = %1").arg(first)), 1);
    EXPECT_EQ(ownRanges(), 1);
}

TEST_P(RangeEditorTest, DeleteOnAnEmptyListDeletesNothing)
{
    db().insertRange(QStringLiteral("someone else"), kIdServ, QStringLiteral("10.0.0.1"),
                     QStringLiteral("10.0.0.9"));
    form().ListRanges();
    ModalScript script;
    script.answer(QMessageBox::Yes);
    excluir();
    EXPECT_EQ(script.messages().size(), 1); // the question, no error
    EXPECT_EQ(db().count(QStringLiteral("RangeIP")), 1);
    EXPECT_TRUE(shown().isEmpty());
}

TEST_P(RangeEditorTest, FailingStatementShowsTheDriverTextAndLeavesTheGridEmpty)
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
    EXPECT_TRUE(shown().isEmpty());
    EXPECT_EQ(log.startingWith(QStringLiteral("Erro: ")).size(), 1);

    ModalScript empty; // with no current row the delete has nothing to send; the reload fails again
    empty.answer(QMessageBox::Yes).answer(QMessageBox::Ok);
    excluir();
    EXPECT_EQ(empty.pending(), 0);
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

VORENTA_INSTANTIATE_DATABASE_TESTS(RangeEditorTest);

} // namespace
} // namespace vorenta::test
