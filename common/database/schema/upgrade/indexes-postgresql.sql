-- Indexes added to the schema after its first release, for a database created from an older
-- postgresql.sql. Safe to run more than once:
--   psql -h HOST -U USER -d vorenta -v ON_ERROR_STOP=1 -f common/database/schema/upgrade/indexes-postgresql.sql
-- The failure count of the reading store filters DadosOid on NSerie and a DataLog window.
CREATE INDEX IF NOT EXISTS ix_dadosoid_nserie_datalog ON DadosOid (NSerie, DataLog);
-- Every store asks whether a device waits for the inoperative sweep: ultNotif still empty and
-- UltLog three days old. Devices already reported stay in the list for good.
CREATE INDEX IF NOT EXISTS ix_listaequipcli_ultnotif_ultlog ON ListaEquipCli (ultNotif, UltLog);
-- The report views read a customer's readings, or everyone's, month by month.
CREATE INDEX IF NOT EXISTS ix_dadosoid_chave_datalog ON DadosOid (Chave, DataLog);
CREATE INDEX IF NOT EXISTS ix_dadosoid_datalog ON DadosOid (DataLog);
