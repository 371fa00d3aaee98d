-- The same for the embedded file, run by the programs when they open a file made by an older
-- version (nobody runs scripts on it): duplicates go, the newest row of each key stays, then the
-- unique indexes are made. The opening runs it in one transaction.
DELETE FROM ListaEquipCli WHERE rowid IN (
    SELECT rowid FROM (
        SELECT rowid, row_number() OVER (PARTITION BY nSerie ORDER BY UltLog DESC, rowid DESC) AS n
        FROM ListaEquipCli WHERE nSerie IS NOT NULL)
    WHERE n > 1);
DELETE FROM UltLog WHERE rowid IN (
    SELECT rowid FROM (
        SELECT rowid, row_number() OVER (PARTITION BY IDServ, Chave ORDER BY DataLOG DESC, rowid DESC) AS n
        FROM UltLog WHERE IDServ IS NOT NULL AND Chave IS NOT NULL)
    WHERE n > 1);
DELETE FROM alerta WHERE rowid IN (
    SELECT rowid FROM (
        SELECT rowid, row_number() OVER (PARTITION BY IDDadosOid, TipoAlerta ORDER BY Data DESC, rowid DESC) AS n
        FROM alerta WHERE Situacao = 'Em Aberto' AND IDDadosOid IS NOT NULL AND TipoAlerta IS NOT NULL)
    WHERE n > 1);
CREATE UNIQUE INDEX IF NOT EXISTS ux_listaequipcli_nserie ON ListaEquipCli (nSerie);
CREATE UNIQUE INDEX IF NOT EXISTS ux_ultlog_idserv_chave ON UltLog (IDServ, Chave);
CREATE UNIQUE INDEX IF NOT EXISTS ux_alerta_aberto ON alerta (IDDadosOid, TipoAlerta) WHERE Situacao = 'Em Aberto';
DROP INDEX IF EXISTS ix_listaequipcli_nserie;
DROP INDEX IF EXISTS ix_ultlog_idserv_chave;
