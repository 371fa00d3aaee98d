-- The identity of a queued reading (IdLeitura), for a database created from an older
-- postgresql.sql: a collector that replays its local queue writes it, and looks for it after a
-- replay cut short. Safe to run more than once:
--   psql -h HOST -U USER -d vorenta -v ON_ERROR_STOP=1 -f common/database/schema/upgrade/idleitura-postgresql.sql
ALTER TABLE DadosOid ADD COLUMN IF NOT EXISTS IdLeitura varchar(40);
CREATE INDEX IF NOT EXISTS ix_dadosoid_idleitura ON DadosOid (IdLeitura);
