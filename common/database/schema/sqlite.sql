-- Vorenta central database, SQLite (the embedded default database).
-- Identifiers are case-insensitive in SQLite; dates are stored as 'yyyy-MM-dd HH:mm:ss' texts,
-- which sort and compare in time order.

CREATE TABLE Parametros (
    chave varchar(50),
    ck1 varchar(10),
    Ed1 varchar(50),
    Ed4 varchar(50),
    Ed5 varchar(50),
    Ed7 varchar(50)
);
CREATE INDEX ix_parametros_chave ON Parametros (chave);

CREATE TABLE RangeIP (
    Cod INTEGER PRIMARY KEY AUTOINCREMENT,
    CHAVE varchar(50),
    IDSERV varchar(50),
    IPINI varchar(20),
    IPFIN varchar(20)
);
CREATE INDEX ix_rangeip_chave_idserv ON RangeIP (CHAVE, IDSERV);

CREATE TABLE exclusao (
    Idserv varchar(50),
    chave varchar(50),
    nSerie varchar(255)
);
CREATE INDEX ix_exclusao_idserv ON exclusao (Idserv);
CREATE INDEX ix_exclusao_chave_nserie ON exclusao (chave, nSerie);

CREATE TABLE Oid (
    Modelo varchar(255),
    NomeInfo varchar(50),
    Oid varchar(255)
);
CREATE INDEX ix_oid_modelo_nomeinfo ON Oid (Modelo, NomeInfo);

CREATE TABLE DadosOid (
    Cod INTEGER PRIMARY KEY AUTOINCREMENT,
    IDServ varchar(50),
    Chave varchar(50),
    LocalInstal varchar(512),
    DataExp datetime,
    DataLog datetime,
    IP varchar(20),
    MacAddress varchar(255),
    NSerie varchar(255),
    Modelo varchar(255),
    Fabricante varchar(255),
    ContGeral varchar(50),
    ContColor varchar(50),
    ContPb varchar(50),
    ContScan varchar(50),
    StatusEquip varchar(200),
    Falha varchar(50),
    Computador varchar(50),
    IpInternet varchar(50),
    tel1 varchar(20),
    tel2 varchar(20),
    tel3 varchar(20),
    email1 varchar(99),
    email2 varchar(99),
    email3 varchar(99),
    contato1 varchar(99),
    contato2 varchar(99),
    contato3 varchar(99),
    inf1 varchar(255),
    inf2 varchar(255),
    inf3 varchar(255),
    inf4 varchar(255),
    inf5 varchar(255),
    ContA3 varchar(50),
    ContA4 varchar(50),
    ContJams varchar(50),
    NivelB varchar(50),
    NivelY varchar(50),
    NivelC varchar(50),
    NivelM varchar(50),
    SupriB varchar(255),
    SupriY varchar(255),
    SupriC varchar(255),
    SupriM varchar(255),
    DurabB varchar(50),
    DurabY varchar(50),
    DurabC varchar(50),
    DurabM varchar(50),
    Versao varchar(50),
    CodEmpresa varchar(99),
    Notificado varchar(10),
    -- A reading the collector queued while the server was out of reach carries an identity of
    -- its own, so that a replay cut short finds it exactly; live stores leave it empty.
    IdLeitura varchar(40)
);
CREATE INDEX ix_dadosoid_nserie_cod ON DadosOid (NSerie, Cod);
CREATE INDEX ix_dadosoid_nserie_datalog ON DadosOid (NSerie, DataLog);
CREATE INDEX ix_dadosoid_idserv_falha_datalog ON DadosOid (IDServ, Falha, DataLog);
CREATE INDEX ix_dadosoid_chave_nserie ON DadosOid (Chave, NSerie);
CREATE INDEX ix_dadosoid_notificado ON DadosOid (Notificado);
CREATE INDEX ix_dadosoid_idleitura ON DadosOid (IdLeitura);

CREATE TABLE ListaEquipCli (
    Chave varchar(50),
    LocalInstal varchar(512),
    nSerie varchar(255),
    Fabricante varchar(255),
    Modelo varchar(255),
    IDServ varchar(50),
    UltLog datetime,
    CodEmpresa varchar(99),
    IP varchar(20),
    Versao varchar(50),
    ultNotif datetime
);
-- One row per serial, kept so by the database: collectors that store one device at the same
-- moment write it with an upsert on this key (upgrade/unique-keys-*.sql for an older database).
CREATE UNIQUE INDEX ux_listaequipcli_nserie ON ListaEquipCli (nSerie);
CREATE INDEX ix_listaequipcli_ultlog ON ListaEquipCli (UltLog);
CREATE INDEX ix_listaequipcli_ultnotif ON ListaEquipCli (ultNotif);
CREATE INDEX ix_listaequipcli_ultnotif_ultlog ON ListaEquipCli (ultNotif, UltLog);

CREATE TABLE UltLog (
    IDServ varchar(50),
    Chave varchar(50),
    DataLOG datetime,
    LocalInstal varchar(512)
);
-- One row per collector (IDServ and Chave), written with an upsert on this key.
CREATE UNIQUE INDEX ux_ultlog_idserv_chave ON UltLog (IDServ, Chave);

CREATE TABLE alerta (
    Data datetime,
    Chave varchar(50),
    TipoAlerta varchar(20),
    Situacao varchar(20),
    IDDadosOid integer,
    IDSERV varchar(50)
);
CREATE INDEX ix_alerta_chave_iddadosoid ON alerta (Chave, IDDadosOid);
CREATE INDEX ix_alerta_iddadosoid_situacao ON alerta (IDDadosOid, Situacao);
-- One open alert per reading and kind: two collectors that alert on one reading at once raise
-- it once. Closed alerts (the provider's staff change Situacao) stay as many as they are.
CREATE UNIQUE INDEX ux_alerta_aberto ON alerta (IDDadosOid, TipoAlerta) WHERE Situacao = 'Em Aberto';
