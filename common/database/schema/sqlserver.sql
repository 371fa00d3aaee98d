-- Vorenta central database, Microsoft SQL Server (the provider's server).
-- Create it with: sqlcmd -S HOST,14333 -U LOGIN -d Brisolt -i sqlserver.sql
--             or: tsql -H HOST -p 14333 -U LOGIN -D Brisolt < sqlserver.sql  (add "go" at the end)
-- Identifiers and texts follow the database collation; the default (case-insensitive) one
-- lets every spelling of a name the statements use work.
-- The filtered index on alerta needs these two settings when it is made (sqlcmd starts with
-- QUOTED_IDENTIFIER off); every ODBC connection, the collector's too, has them on.
SET ANSI_NULLS ON;
SET QUOTED_IDENTIFIER ON;

CREATE TABLE Parametros (
    chave nvarchar(50),
    ck1 nvarchar(10),
    Ed1 nvarchar(50),
    Ed4 nvarchar(50),
    Ed5 nvarchar(50),
    Ed7 nvarchar(50)
);
CREATE INDEX ix_parametros_chave ON Parametros (chave);

CREATE TABLE RangeIP (
    Cod int IDENTITY(1,1) PRIMARY KEY,
    CHAVE nvarchar(50),
    IDSERV nvarchar(50),
    IPINI nvarchar(20),
    IPFIN nvarchar(20)
);
CREATE INDEX ix_rangeip_chave_idserv ON RangeIP (CHAVE, IDSERV);

CREATE TABLE exclusao (
    Idserv nvarchar(50),
    chave nvarchar(50),
    nSerie nvarchar(255)
);
CREATE INDEX ix_exclusao_idserv ON exclusao (Idserv);
CREATE INDEX ix_exclusao_chave_nserie ON exclusao (chave, nSerie);

CREATE TABLE Oid (
    Modelo nvarchar(255),
    NomeInfo nvarchar(50),
    Oid nvarchar(255)
);
CREATE INDEX ix_oid_modelo_nomeinfo ON Oid (Modelo, NomeInfo);

CREATE TABLE DadosOid (
    Cod int IDENTITY(1,1) PRIMARY KEY,
    IDServ nvarchar(50),
    Chave nvarchar(50),
    LocalInstal nvarchar(512),
    DataExp datetime,
    DataLog datetime,
    IP nvarchar(20),
    MacAddress nvarchar(255),
    NSerie nvarchar(255),
    Modelo nvarchar(255),
    Fabricante nvarchar(255),
    ContGeral nvarchar(50),
    ContColor nvarchar(50),
    ContPb nvarchar(50),
    ContScan nvarchar(50),
    StatusEquip nvarchar(200),
    Falha nvarchar(50),
    Computador nvarchar(50),
    IpInternet nvarchar(50),
    tel1 nvarchar(20),
    tel2 nvarchar(20),
    tel3 nvarchar(20),
    email1 nvarchar(99),
    email2 nvarchar(99),
    email3 nvarchar(99),
    contato1 nvarchar(99),
    contato2 nvarchar(99),
    contato3 nvarchar(99),
    inf1 nvarchar(255),
    inf2 nvarchar(255),
    inf3 nvarchar(255),
    inf4 nvarchar(255),
    inf5 nvarchar(255),
    ContA3 nvarchar(50),
    ContA4 nvarchar(50),
    ContJams nvarchar(50),
    NivelB nvarchar(50),
    NivelY nvarchar(50),
    NivelC nvarchar(50),
    NivelM nvarchar(50),
    SupriB nvarchar(255),
    SupriY nvarchar(255),
    SupriC nvarchar(255),
    SupriM nvarchar(255),
    DurabB nvarchar(50),
    DurabY nvarchar(50),
    DurabC nvarchar(50),
    DurabM nvarchar(50),
    Versao nvarchar(50),
    CodEmpresa nvarchar(99),
    Notificado nvarchar(10),
    -- A reading the collector queued while the server was out of reach carries an identity of
    -- its own, so that a replay cut short finds it exactly; live stores leave it empty.
    IdLeitura nvarchar(40)
);
CREATE INDEX ix_dadosoid_nserie_cod ON DadosOid (NSerie, Cod);
CREATE INDEX ix_dadosoid_nserie_datalog ON DadosOid (NSerie, DataLog);
CREATE INDEX ix_dadosoid_idserv_falha_datalog ON DadosOid (IDServ, Falha, DataLog);
CREATE INDEX ix_dadosoid_chave_nserie ON DadosOid (Chave, NSerie);
CREATE INDEX ix_dadosoid_notificado ON DadosOid (Notificado);
CREATE INDEX ix_dadosoid_idleitura ON DadosOid (IdLeitura);

CREATE TABLE ListaEquipCli (
    Chave nvarchar(50),
    LocalInstal nvarchar(512),
    nSerie nvarchar(255),
    Fabricante nvarchar(255),
    Modelo nvarchar(255),
    IDServ nvarchar(50),
    UltLog datetime,
    CodEmpresa nvarchar(99),
    IP nvarchar(20),
    Versao nvarchar(50),
    ultNotif datetime
);
-- One row per serial, kept so by the database: collectors that store one device at the same
-- moment write it with an upsert on this key (upgrade/unique-keys-*.sql for an older database).
CREATE UNIQUE INDEX ux_listaequipcli_nserie ON ListaEquipCli (nSerie);
CREATE INDEX ix_listaequipcli_ultlog ON ListaEquipCli (UltLog);
CREATE INDEX ix_listaequipcli_ultnotif ON ListaEquipCli (ultNotif);
CREATE INDEX ix_listaequipcli_ultnotif_ultlog ON ListaEquipCli (ultNotif, UltLog);

CREATE TABLE UltLog (
    IDServ nvarchar(50),
    Chave nvarchar(50),
    DataLOG datetime,
    LocalInstal nvarchar(512)
);
-- One row per collector (IDServ and Chave), written with an upsert on this key.
CREATE UNIQUE INDEX ux_ultlog_idserv_chave ON UltLog (IDServ, Chave);

CREATE TABLE alerta (
    Data datetime,
    Chave nvarchar(50),
    TipoAlerta nvarchar(20),
    Situacao nvarchar(20),
    IDDadosOid int,
    IDSERV nvarchar(50)
);
CREATE INDEX ix_alerta_chave_iddadosoid ON alerta (Chave, IDDadosOid);
CREATE INDEX ix_alerta_iddadosoid_situacao ON alerta (IDDadosOid, Situacao);
-- One open alert per reading and kind: two collectors that alert on one reading at once raise
-- it once. Closed alerts (the provider's staff change Situacao) stay as many as they are.
CREATE UNIQUE INDEX ux_alerta_aberto ON alerta (IDDadosOid, TipoAlerta) WHERE Situacao = 'Em Aberto';
