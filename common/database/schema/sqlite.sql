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
-- The report views read a customer's readings, or everyone's, month by month.
CREATE INDEX ix_dadosoid_chave_datalog ON DadosOid (Chave, DataLog);
CREATE INDEX ix_dadosoid_datalog ON DadosOid (DataLog);

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

-- Reports for the provider (docs/relatorios.md): read-only views over the stored columns, which
-- keep their meaning. The counters are stored as the device reported them, as text: compared as
-- text "9950" is above "48500" and "" below every number. LeituraNumerica gives them as 64-bit
-- whole numbers; a text that is empty or not a whole number (a sign, a unit, "N/D") is NULL.
CREATE VIEW LeituraNumerica AS
SELECT Cod, Chave, IDServ, NSerie, Fabricante, Modelo, IP, DataLog,
    CASE WHEN ContGeral GLOB '[0-9]*' AND ContGeral NOT GLOB '*[^0-9]*' AND length(ContGeral) <= 18 THEN CAST(ContGeral AS INTEGER) END AS ContGeral,
    CASE WHEN ContColor GLOB '[0-9]*' AND ContColor NOT GLOB '*[^0-9]*' AND length(ContColor) <= 18 THEN CAST(ContColor AS INTEGER) END AS ContColor,
    CASE WHEN ContPb GLOB '[0-9]*' AND ContPb NOT GLOB '*[^0-9]*' AND length(ContPb) <= 18 THEN CAST(ContPb AS INTEGER) END AS ContPb,
    CASE WHEN ContScan GLOB '[0-9]*' AND ContScan NOT GLOB '*[^0-9]*' AND length(ContScan) <= 18 THEN CAST(ContScan AS INTEGER) END AS ContScan,
    CASE WHEN ContA3 GLOB '[0-9]*' AND ContA3 NOT GLOB '*[^0-9]*' AND length(ContA3) <= 18 THEN CAST(ContA3 AS INTEGER) END AS ContA3,
    CASE WHEN ContA4 GLOB '[0-9]*' AND ContA4 NOT GLOB '*[^0-9]*' AND length(ContA4) <= 18 THEN CAST(ContA4 AS INTEGER) END AS ContA4
FROM DadosOid;

-- Pages per device (Chave, NSerie) and calendar month. Only readings with a numeric ContGeral
-- count: the month's last one gives the ...Final values, and the pages are those since the last
-- counted reading before the month (in the device's first month, since the month's first one).
-- A counter lower than at the counted reading before it, within the month or across its start,
-- sets ContadorRecuou and leaves that counter's pages NULL: a board swap or a replaced device,
-- not negative pages. Time order is DataLog, ties broken by Cod. Fabricante and Modelo are
-- those of the month's newest reading, the later of its last counted and last other reading:
-- one time order serves the whole view, one sort of DadosOid instead of two.
CREATE VIEW PaginasPorMes AS
WITH Leitura AS (
    SELECT n.*, strftime('%Y-%m', n.DataLog) AS Mes,
        CASE WHEN n.ContGeral IS NULL THEN 0 ELSE 1 END AS Contada
    FROM LeituraNumerica n
    WHERE n.DataLog IS NOT NULL
), Passo AS (
    SELECT l.*,
        LAG(Cod) OVER (PARTITION BY Chave, NSerie, Contada ORDER BY DataLog, Cod) AS CodAnterior,
        LAG(Mes) OVER (PARTITION BY Chave, NSerie, Contada ORDER BY DataLog, Cod) AS MesAnterior,
        LEAD(Mes) OVER (PARTITION BY Chave, NSerie, Contada ORDER BY DataLog, Cod) AS MesSeguinte,
        LAG(ContGeral) OVER (PARTITION BY Chave, NSerie, Contada ORDER BY DataLog, Cod) AS GeralAnterior,
        LAG(ContColor) OVER (PARTITION BY Chave, NSerie, Contada ORDER BY DataLog, Cod) AS ColorAnterior,
        LAG(ContPb) OVER (PARTITION BY Chave, NSerie, Contada ORDER BY DataLog, Cod) AS PbAnterior,
        LAG(ContScan) OVER (PARTITION BY Chave, NSerie, Contada ORDER BY DataLog, Cod) AS ScanAnterior,
        LAG(ContA3) OVER (PARTITION BY Chave, NSerie, Contada ORDER BY DataLog, Cod) AS A3Anterior,
        LAG(ContA4) OVER (PARTITION BY Chave, NSerie, Contada ORDER BY DataLog, Cod) AS A4Anterior
    FROM Leitura l
), PorMes AS (
    SELECT Chave, NSerie, Mes,
        MAX(CASE WHEN Contada = 1 AND (MesSeguinte IS NULL OR MesSeguinte <> Mes) THEN DataLog END) AS DataContada,
        MAX(CASE WHEN Contada = 1 AND (MesSeguinte IS NULL OR MesSeguinte <> Mes) THEN Cod END) AS CodContada,
        MAX(CASE WHEN Contada = 1 AND (MesSeguinte IS NULL OR MesSeguinte <> Mes) THEN Fabricante END) AS FabricanteContada,
        MAX(CASE WHEN Contada = 1 AND (MesSeguinte IS NULL OR MesSeguinte <> Mes) THEN Modelo END) AS ModeloContada,
        MAX(CASE WHEN Contada = 0 AND (MesSeguinte IS NULL OR MesSeguinte <> Mes) THEN DataLog END) AS DataOutra,
        MAX(CASE WHEN Contada = 0 AND (MesSeguinte IS NULL OR MesSeguinte <> Mes) THEN Cod END) AS CodOutra,
        MAX(CASE WHEN Contada = 0 AND (MesSeguinte IS NULL OR MesSeguinte <> Mes) THEN Fabricante END) AS FabricanteOutra,
        MAX(CASE WHEN Contada = 0 AND (MesSeguinte IS NULL OR MesSeguinte <> Mes) THEN Modelo END) AS ModeloOutra,
        MIN(CASE WHEN Contada = 1 THEN DataLog END) AS LeituraInicial,
        MAX(CASE WHEN Contada = 1 THEN DataLog END) AS LeituraFinal,
        MAX(CASE WHEN Contada = 1 AND (MesSeguinte IS NULL OR MesSeguinte <> Mes) THEN ContGeral END) AS ContGeralFinal,
        MAX(CASE WHEN Contada = 1 AND (MesSeguinte IS NULL OR MesSeguinte <> Mes) THEN ContColor END) AS ContColorFinal,
        MAX(CASE WHEN Contada = 1 AND (MesSeguinte IS NULL OR MesSeguinte <> Mes) THEN ContPb END) AS ContPbFinal,
        MAX(CASE WHEN Contada = 1 AND (MesSeguinte IS NULL OR MesSeguinte <> Mes) THEN ContScan END) AS ContScanFinal,
        MAX(CASE WHEN Contada = 1 AND (MesSeguinte IS NULL OR MesSeguinte <> Mes) THEN ContA3 END) AS ContA3Final,
        MAX(CASE WHEN Contada = 1 AND (MesSeguinte IS NULL OR MesSeguinte <> Mes) THEN ContA4 END) AS ContA4Final,
        MAX(CASE WHEN Contada = 1 AND (MesAnterior IS NULL OR MesAnterior <> Mes)
                 THEN CASE WHEN CodAnterior IS NULL THEN ContGeral ELSE GeralAnterior END END) AS GeralBase,
        MAX(CASE WHEN Contada = 1 AND (MesAnterior IS NULL OR MesAnterior <> Mes)
                 THEN CASE WHEN CodAnterior IS NULL THEN ContColor ELSE ColorAnterior END END) AS ColorBase,
        MAX(CASE WHEN Contada = 1 AND (MesAnterior IS NULL OR MesAnterior <> Mes)
                 THEN CASE WHEN CodAnterior IS NULL THEN ContPb ELSE PbAnterior END END) AS PbBase,
        MAX(CASE WHEN Contada = 1 AND (MesAnterior IS NULL OR MesAnterior <> Mes)
                 THEN CASE WHEN CodAnterior IS NULL THEN ContScan ELSE ScanAnterior END END) AS ScanBase,
        MAX(CASE WHEN Contada = 1 AND (MesAnterior IS NULL OR MesAnterior <> Mes)
                 THEN CASE WHEN CodAnterior IS NULL THEN ContA3 ELSE A3Anterior END END) AS A3Base,
        MAX(CASE WHEN Contada = 1 AND (MesAnterior IS NULL OR MesAnterior <> Mes)
                 THEN CASE WHEN CodAnterior IS NULL THEN ContA4 ELSE A4Anterior END END) AS A4Base,
        MAX(CASE WHEN Contada = 1 AND ContGeral < GeralAnterior THEN 1 ELSE 0 END) AS GeralRecuou,
        MAX(CASE WHEN Contada = 1 AND ContColor < ColorAnterior THEN 1 ELSE 0 END) AS ColorRecuou,
        MAX(CASE WHEN Contada = 1 AND ContPb < PbAnterior THEN 1 ELSE 0 END) AS PbRecuou,
        MAX(CASE WHEN Contada = 1 AND ContScan < ScanAnterior THEN 1 ELSE 0 END) AS ScanRecuou,
        MAX(CASE WHEN Contada = 1 AND ContA3 < A3Anterior THEN 1 ELSE 0 END) AS A3Recuou,
        MAX(CASE WHEN Contada = 1 AND ContA4 < A4Anterior THEN 1 ELSE 0 END) AS A4Recuou
    FROM Passo
    GROUP BY Chave, NSerie, Mes
)
SELECT Chave, NSerie, Mes,
    CASE WHEN DataOutra IS NULL OR DataContada > DataOutra OR (DataContada = DataOutra AND CodContada > CodOutra) THEN FabricanteContada ELSE FabricanteOutra END AS Fabricante,
    CASE WHEN DataOutra IS NULL OR DataContada > DataOutra OR (DataContada = DataOutra AND CodContada > CodOutra) THEN ModeloContada ELSE ModeloOutra END AS Modelo,
    LeituraInicial, LeituraFinal,
    ContGeralFinal, ContColorFinal, ContPbFinal, ContScanFinal, ContA3Final, ContA4Final,
    CASE WHEN GeralRecuou = 1 THEN NULL ELSE ContGeralFinal - GeralBase END AS PaginasGeral,
    CASE WHEN ColorRecuou = 1 THEN NULL ELSE ContColorFinal - ColorBase END AS PaginasColor,
    CASE WHEN PbRecuou = 1 THEN NULL ELSE ContPbFinal - PbBase END AS PaginasPb,
    CASE WHEN ScanRecuou = 1 THEN NULL ELSE ContScanFinal - ScanBase END AS PaginasScan,
    CASE WHEN A3Recuou = 1 THEN NULL ELSE ContA3Final - A3Base END AS PaginasA3,
    CASE WHEN A4Recuou = 1 THEN NULL ELSE ContA4Final - A4Base END AS PaginasA4,
    CASE WHEN GeralRecuou + ColorRecuou + PbRecuou + ScanRecuou + A3Recuou + A4Recuou > 0 THEN 1 ELSE 0 END AS ContadorRecuou
FROM PorMes;

-- The supplies of each device's newest reading, one row per filled slot. The four column sets
-- are the device's first to fourth supply (B, Y, C, M in the Printer MIB's order), not colours:
-- Cor comes from the description's whole words in Portuguese, English or Spanish, the first
-- colour named winning; the letters C, M and Y count only alone or in brackets (a Spanish "y" is
-- "and"), K and BK anywhere. Percentual is the level in percent of the capacity, 0 to 100, NULL
-- where the unit is unknown (-2, -3, "OK", "N/D", no capacity). The RICOH reader stores its private
-- level, already a percent, against fixed capacities of 10000 and 5500: there it is the level.
CREATE VIEW SuprimentoAtual AS
WITH Ultima AS (
    SELECT d.*, ROW_NUMBER() OVER (PARTITION BY Chave, NSerie ORDER BY DataLog DESC, Cod DESC) AS DoFim
    FROM DadosOid d
    WHERE d.DataLog IS NOT NULL
), PorSlot AS (
    SELECT u.Cod, u.Chave, u.IDServ, u.NSerie, u.Fabricante, u.Modelo, u.IP, u.DataLog, s.Slot,
        CASE s.Slot WHEN 1 THEN u.SupriB WHEN 2 THEN u.SupriY WHEN 3 THEN u.SupriC ELSE u.SupriM END AS Descricao,
        CASE s.Slot WHEN 1 THEN u.NivelB WHEN 2 THEN u.NivelY WHEN 3 THEN u.NivelC ELSE u.NivelM END AS Nivel,
        CASE s.Slot WHEN 1 THEN u.DurabB WHEN 2 THEN u.DurabY WHEN 3 THEN u.DurabC ELSE u.DurabM END AS Capacidade
    FROM Ultima u
    CROSS JOIN (SELECT 1 AS Slot UNION ALL SELECT 2 UNION ALL SELECT 3 UNION ALL SELECT 4) s
    WHERE u.DoFim = 1
), Texto AS (
    SELECT p.*,
        ' ' || upper(replace(replace(replace(replace(replace(replace(replace(p.Descricao, '(', ' '), ')', ' '), ',', ' '), ';', ' '), ':', ' '), '/', ' '), '.', ' ')) || ' ' AS Palavras,
        upper(p.Descricao) AS Maiusculas,
        CASE WHEN p.Nivel GLOB '[0-9]*' AND p.Nivel NOT GLOB '*[^0-9]*' AND length(p.Nivel) <= 9 THEN CAST(p.Nivel AS INTEGER) END AS NivelNumero,
        CASE WHEN p.Capacidade GLOB '[0-9]*' AND p.Capacidade NOT GLOB '*[^0-9]*' AND length(p.Capacidade) <= 9 THEN CAST(p.Capacidade AS INTEGER) END AS CapacidadeNumero
    FROM PorSlot p
    WHERE p.Descricao <> '' OR p.Nivel <> ''
)
SELECT Cod, Chave, IDServ, NSerie, Fabricante, Modelo, IP, DataLog, Slot, Descricao,
    CASE
        WHEN Palavras LIKE '% BLACK %' OR Palavras LIKE '% PRETO %' OR Palavras LIKE '% PRETA %' OR Palavras LIKE '% NEGRO %' OR Palavras LIKE '% NEGRA %' OR Palavras LIKE '% BK %' OR Palavras LIKE '% BLK %' OR Palavras LIKE '% K %'
            THEN 'Preto'
        WHEN Palavras LIKE '% CYAN %' OR Palavras LIKE '% CIANO %' OR Palavras LIKE '% CIAN %' OR Maiusculas LIKE '%(C)%' OR Palavras = ' C '
            THEN 'Ciano'
        WHEN Palavras LIKE '% MAGENTA %' OR Maiusculas LIKE '%(M)%' OR Palavras = ' M '
            THEN 'Magenta'
        WHEN Palavras LIKE '% YELLOW %' OR Palavras LIKE '% AMARELO %' OR Palavras LIKE '% AMARELA %' OR Palavras LIKE '% AMARILLO %' OR Palavras LIKE '% AMARILLA %'
            OR Maiusculas LIKE '%(Y)%' OR Palavras = ' Y '
            THEN 'Amarelo'
    END AS Cor,
    Nivel, Capacidade,
    CASE
        WHEN NivelNumero IS NULL OR CapacidadeNumero IS NULL OR CapacidadeNumero = 0 THEN NULL
        WHEN upper(Fabricante) = 'RICOH' AND ((Slot = 1 AND Capacidade = '10000') OR (Slot > 1 AND Capacidade = '5500'))
            THEN CASE WHEN NivelNumero <= 100 THEN NivelNumero END
        WHEN NivelNumero >= CapacidadeNumero THEN 100
        ELSE NivelNumero * 100 / CapacidadeNumero
    END AS Percentual
FROM Texto;
