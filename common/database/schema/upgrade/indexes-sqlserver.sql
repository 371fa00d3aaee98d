-- Indexes added to the schema after its first release, for a database created from an older
-- sqlserver.sql. Safe to run more than once:
--   sqlcmd -S HOST,14333 -U Brisolt -d Brisolt -i common/database/schema/upgrade/indexes-sqlserver.sql
-- The failure count of the reading store filters DadosOid on NSerie and a DataLog window.
IF NOT EXISTS (SELECT 1 FROM sys.indexes WHERE name = 'ix_dadosoid_nserie_datalog'
               AND object_id = OBJECT_ID('DadosOid'))
    CREATE INDEX ix_dadosoid_nserie_datalog ON DadosOid (NSerie, DataLog);
