#include "ToolFixture.h"

#include "ModalScript.h"
#include "common/database/DatabaseSettings.h"

namespace vorenta::test {

void ToolTest::SetUp()
{
    DatabaseTest::SetUp();
    if (IsSkipped() || HasFatalFailure())
        return;
    writeColetor();
}

void ToolTest::TearDown()
{
    m_form.reset();
    m_tool.reset();
    DatabaseTest::TearDown();
}

void ToolTest::writeColetor(const QByteArray& bancoSection)
{
    const QByteArray web =
        "[CONFIG]\r\nServidorWeb=http://127.0.0.1:" + QByteArray::number(UnusedLoopbackPort()) + "\r\n";
    db().folder().writeIdentity(kChave, kIdServ, {}, {},
                                (bancoSection.isEmpty() ? db().bancoSection() : bancoSection) + web);
}

SqlToolDatabase& ToolTest::tool()
{
    if (!m_tool) {
        m_tool = std::make_unique<SqlToolDatabase>(LoadDatabaseSettings(programFolder()), programFolder());
        m_tool->connect(m_tool->defaults());
    }
    return *m_tool;
}

TFConfig& ToolTest::form()
{
    if (!m_form) {
        m_form = std::make_unique<TFConfig>(programFolder(), tool(), &log);
        m_form->PegaArquivoIni();
        m_form->show();
    }
    return *m_form;
}

} // namespace vorenta::test
