-- The keys that keep the rows that are one per key so, for a database created from an older
-- postgresql.sql: one ListaEquipCli row per nSerie, one UltLog row per IDServ and Chave, one open
-- alert per reading and kind. Collectors that ran at the same moment may have left duplicates;
-- they go first (the newest row of each key stays), then the unique indexes are made. One
-- transaction, with the three tables locked against writers: a collector storing meanwhile
-- waits for it, and cannot slip a duplicate in between. Safe to run more than once:
--   psql -h HOST -U USER -d vorenta -v ON_ERROR_STOP=1 -f common/database/schema/upgrade/unique-keys-postgresql.sql
-- Run it before collectors of this version store: their upserts need the keys.
BEGIN;
LOCK TABLE ListaEquipCli, UltLog, alerta IN SHARE ROW EXCLUSIVE MODE;
-- The device's newest row (latest UltLog) stays.
DELETE FROM ListaEquipCli WHERE ctid IN (
    SELECT ctid FROM (
        SELECT ctid, row_number() OVER (PARTITION BY nSerie ORDER BY UltLog DESC NULLS LAST, ctid DESC) AS n
        FROM ListaEquipCli WHERE nSerie IS NOT NULL) d
    WHERE n > 1);
-- The collector's newest last store stays.
DELETE FROM UltLog WHERE ctid IN (
    SELECT ctid FROM (
        SELECT ctid, row_number() OVER (PARTITION BY IDServ, Chave ORDER BY DataLOG DESC NULLS LAST, ctid DESC) AS n
        FROM UltLog WHERE IDServ IS NOT NULL AND Chave IS NOT NULL) d
    WHERE n > 1);
-- One open alert per reading and kind stays, the newest; closed ones are left alone.
DELETE FROM alerta WHERE ctid IN (
    SELECT ctid FROM (
        SELECT ctid, row_number() OVER (PARTITION BY IDDadosOid, TipoAlerta ORDER BY Data DESC NULLS LAST, ctid DESC) AS n
        FROM alerta WHERE Situacao = 'Em Aberto' AND IDDadosOid IS NOT NULL AND TipoAlerta IS NOT NULL) d
    WHERE n > 1);
CREATE UNIQUE INDEX IF NOT EXISTS ux_listaequipcli_nserie ON ListaEquipCli (nSerie);
CREATE UNIQUE INDEX IF NOT EXISTS ux_ultlog_idserv_chave ON UltLog (IDServ, Chave);
CREATE UNIQUE INDEX IF NOT EXISTS ux_alerta_aberto ON alerta (IDDadosOid, TipoAlerta) WHERE Situacao = 'Em Aberto';
-- The unique indexes serve every lookup the plain ones served.
DROP INDEX IF EXISTS ix_listaequipcli_nserie;
DROP INDEX IF EXISTS ix_ultlog_idserv_chave;
COMMIT;
