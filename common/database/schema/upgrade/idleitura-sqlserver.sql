-- The identity of a queued reading (IdLeitura), for a database created from an older
-- sqlserver.sql: a collector that replays its local queue writes it, and looks for it after a
-- replay cut short. Safe to run more than once:
--   sqlcmd -S HOST,14333 -U Brisolt -d Brisolt -i common/database/schema/upgrade/idleitura-sqlserver.sql
IF COL_LENGTH('DadosOid', 'IdLeitura') IS NULL
    ALTER TABLE DadosOid ADD IdLeitura nvarchar(40);
IF NOT EXISTS (SELECT 1 FROM sys.indexes WHERE name = 'ix_dadosoid_idleitura'
               AND object_id = OBJECT_ID('DadosOid'))
    EXEC('CREATE INDEX ix_dadosoid_idleitura ON DadosOid (IdLeitura)');
