#pragma once

#include "config_tool/ConfigForm.h"
#include "config_tool/SqlToolDatabase.h"
#include "tests/support/CapturingLogSink.h"
#include "tests/support/DatabaseFixture.h"

#include <memory>

namespace vorenta::test {

/// A program folder beside a fresh database on each back end: Coletor.ini names the collector
/// and reaches the database, and its web server is a loopback port nobody listens on, so no
/// start-up ever leaves the machine.
class ToolTest : public DatabaseTest {
protected:
    /// The collector's key holds a quote and an accent: both must survive every statement.
    static inline const QString kChave = QStringLiteral("D'Ávila");
    static inline const QString kIdServ = QStringLiteral("SRV-1");

    void SetUp() override;
    /// Closes the tool's connection before the database is dropped.
    void TearDown() override;

    QString programFolder() { return db().folder().path(); }
    /// Rewrites Coletor.ini; `bancoSection` replaces the fixture's [BANCO] when given.
    void writeColetor(const QByteArray& bancoSection = {});

    /// The tool's database layer as ConfigVorenta builds it, connected to the defaults.
    SqlToolDatabase& tool();
    /// The main form with identity loaded and the tool connected, without running FormShow.
    TFConfig& form();

    CapturingLogSink log;

private:
    std::unique_ptr<SqlToolDatabase> m_tool;
    std::unique_ptr<TFConfig> m_form;
};

} // namespace vorenta::test
