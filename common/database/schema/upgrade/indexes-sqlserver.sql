-- Indexes added to the schema after its first release, for a database created from an older
-- sqlserver.sql. Safe to run more than once:
--   sqlcmd -S HOST,14333 -U Brisolt -d Brisolt -i common/database/schema/upgrade/indexes-sqlserver.sql
-- The failure count of the reading store filters DadosOid on NSerie and a DataLog window.
IF NOT EXISTS (SELECT 1 FROM sys.indexes WHERE name = 'ix_dadosoid_nserie_datalog'
               AND object_id = OBJECT_ID('DadosOid'))
    CREATE INDEX ix_dadosoid_nserie_datalog ON DadosOid (NSerie, DataLog);
-- Every store asks whether a device waits for the inoperative sweep: ultNotif still empty and
-- UltLog three days old. Devices already reported stay in the list for good.
IF NOT EXISTS (SELECT 1 FROM sys.indexes WHERE name = 'ix_listaequipcli_ultnotif_ultlog'
               AND object_id = OBJECT_ID('ListaEquipCli'))
    CREATE INDEX ix_listaequipcli_ultnotif_ultlog ON ListaEquipCli (ultNotif, UltLog);
-- The report views read a customer's readings, or everyone's, month by month.
IF NOT EXISTS (SELECT 1 FROM sys.indexes WHERE name = 'ix_dadosoid_chave_datalog'
               AND object_id = OBJECT_ID('DadosOid'))
    CREATE INDEX ix_dadosoid_chave_datalog ON DadosOid (Chave, DataLog);
IF NOT EXISTS (SELECT 1 FROM sys.indexes WHERE name = 'ix_dadosoid_datalog'
               AND object_id = OBJECT_ID('DadosOid'))
    CREATE INDEX ix_dadosoid_datalog ON DadosOid (DataLog);
