-- The keys that keep the rows that are one per key so, for a database created from an older
-- sqlserver.sql: one ListaEquipCli row per nSerie, one UltLog row per IDServ and Chave, one open
-- alert per reading and kind. Collectors that ran at the same moment may have left duplicates;
-- they go first (the newest row of each key stays), then the unique indexes are made. One
-- transaction, with the three tables locked against writers until it ends: a collector storing
-- meanwhile waits for it, and cannot slip a duplicate in between. Safe to run more than once:
--   sqlcmd -S HOST,14333 -U Brisolt -d Brisolt -i common/database/schema/upgrade/unique-keys-sqlserver.sql
-- Run it before collectors of this version store: their MERGE statements need the keys.
SET ANSI_NULLS ON;
SET QUOTED_IDENTIFIER ON; -- a filtered index needs it; sqlcmd starts with it off
SET XACT_ABORT ON;
BEGIN TRANSACTION;
-- The device's newest row (latest UltLog) stays.
WITH d AS (SELECT ROW_NUMBER() OVER (PARTITION BY nSerie ORDER BY UltLog DESC) AS n
           FROM ListaEquipCli WITH (TABLOCKX, HOLDLOCK))
DELETE FROM d WHERE n > 1;
-- The collector's newest last store stays.
WITH d AS (SELECT ROW_NUMBER() OVER (PARTITION BY IDServ, Chave ORDER BY DataLOG DESC) AS n
           FROM UltLog WITH (TABLOCKX, HOLDLOCK))
DELETE FROM d WHERE n > 1;
-- One open alert per reading and kind stays, the newest; closed ones are left alone.
WITH d AS (SELECT ROW_NUMBER() OVER (PARTITION BY IDDadosOid, TipoAlerta ORDER BY Data DESC) AS n
           FROM alerta WITH (TABLOCKX, HOLDLOCK) WHERE Situacao = 'Em Aberto')
DELETE FROM d WHERE n > 1;
IF NOT EXISTS (SELECT 1 FROM sys.indexes WHERE name = 'ux_listaequipcli_nserie'
               AND object_id = OBJECT_ID('ListaEquipCli'))
    EXEC('CREATE UNIQUE INDEX ux_listaequipcli_nserie ON ListaEquipCli (nSerie)');
IF NOT EXISTS (SELECT 1 FROM sys.indexes WHERE name = 'ux_ultlog_idserv_chave'
               AND object_id = OBJECT_ID('UltLog'))
    EXEC('CREATE UNIQUE INDEX ux_ultlog_idserv_chave ON UltLog (IDServ, Chave)');
IF NOT EXISTS (SELECT 1 FROM sys.indexes WHERE name = 'ux_alerta_aberto'
               AND object_id = OBJECT_ID('alerta'))
    EXEC('CREATE UNIQUE INDEX ux_alerta_aberto ON alerta (IDDadosOid, TipoAlerta) WHERE Situacao = ''Em Aberto''');
-- The unique indexes serve every lookup the plain ones served.
IF EXISTS (SELECT 1 FROM sys.indexes WHERE name = 'ix_listaequipcli_nserie'
           AND object_id = OBJECT_ID('ListaEquipCli'))
    DROP INDEX ix_listaequipcli_nserie ON ListaEquipCli;
IF EXISTS (SELECT 1 FROM sys.indexes WHERE name = 'ix_ultlog_idserv_chave'
           AND object_id = OBJECT_ID('UltLog'))
    DROP INDEX ix_ultlog_idserv_chave ON UltLog;
COMMIT TRANSACTION;
