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
-- The report views read a customer's readings, or everyone's, month by month.
CREATE INDEX ix_dadosoid_chave_datalog ON DadosOid (Chave, DataLog);
CREATE INDEX ix_dadosoid_datalog ON DadosOid (DataLog);

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

-- Reports for the provider (docs/relatorios.md): read-only views over the stored columns, which
-- keep their meaning. The counters are stored as the device reported them, as text: compared as
-- text "9950" is above "48500" and "" below every number. LeituraNumerica gives them as 64-bit
-- whole numbers; a text that is empty or not a whole number (a sign, a unit, "N/D") is NULL.
-- sqlcmd and tsql run a CREATE VIEW only as the first statement of a batch: go ends the one before.
go
CREATE VIEW LeituraNumerica AS
SELECT Cod, Chave, IDServ, NSerie, Fabricante, Modelo, IP, DataLog,
    CASE WHEN ContGeral LIKE '[0-9]%' AND ContGeral NOT LIKE '%[^0-9]%' AND LEN(ContGeral) <= 18 THEN CAST(ContGeral AS bigint) END AS ContGeral,
    CASE WHEN ContColor LIKE '[0-9]%' AND ContColor NOT LIKE '%[^0-9]%' AND LEN(ContColor) <= 18 THEN CAST(ContColor AS bigint) END AS ContColor,
    CASE WHEN ContPb LIKE '[0-9]%' AND ContPb NOT LIKE '%[^0-9]%' AND LEN(ContPb) <= 18 THEN CAST(ContPb AS bigint) END AS ContPb,
    CASE WHEN ContScan LIKE '[0-9]%' AND ContScan NOT LIKE '%[^0-9]%' AND LEN(ContScan) <= 18 THEN CAST(ContScan AS bigint) END AS ContScan,
    CASE WHEN ContA3 LIKE '[0-9]%' AND ContA3 NOT LIKE '%[^0-9]%' AND LEN(ContA3) <= 18 THEN CAST(ContA3 AS bigint) END AS ContA3,
    CASE WHEN ContA4 LIKE '[0-9]%' AND ContA4 NOT LIKE '%[^0-9]%' AND LEN(ContA4) <= 18 THEN CAST(ContA4 AS bigint) END AS ContA4
FROM DadosOid;

-- Pages per device (Chave, NSerie) and calendar month. Only readings with a numeric ContGeral
-- count: the month's last one gives the ...Final values, and the pages are those since the last
-- counted reading before the month (in the device's first month, since the month's first one).
-- A counter lower than at the counted reading before it, within the month or across its start,
-- sets ContadorRecuou and leaves that counter's pages NULL: a board swap or a replaced device,
-- not negative pages. Time order is DataLog, ties broken by Cod. Fabricante and Modelo are
-- those of the month's newest reading, the later of its last counted and last other reading:
-- one time order serves the whole view, one sort of DadosOid instead of two.
go
CREATE VIEW PaginasPorMes AS
WITH Leitura AS (
    SELECT n.*, CONVERT(char(7), n.DataLog, 120) AS Mes,
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
go
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
        ' ' + UPPER(REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(p.Descricao, '(', ' '), ')', ' '), ',', ' '), ';', ' '), ':', ' '), '/', ' '), '.', ' ')) + ' ' AS Palavras,
        UPPER(p.Descricao) AS Maiusculas,
        CASE WHEN p.Nivel LIKE '[0-9]%' AND p.Nivel NOT LIKE '%[^0-9]%' AND LEN(p.Nivel) <= 9 THEN CAST(p.Nivel AS bigint) END AS NivelNumero,
        CASE WHEN p.Capacidade LIKE '[0-9]%' AND p.Capacidade NOT LIKE '%[^0-9]%' AND LEN(p.Capacidade) <= 9 THEN CAST(p.Capacidade AS bigint) END AS CapacidadeNumero
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
        WHEN UPPER(Fabricante) = 'RICOH' AND ((Slot = 1 AND Capacidade = '10000') OR (Slot > 1 AND Capacidade = '5500'))
            THEN CASE WHEN NivelNumero <= 100 THEN NivelNumero END
        WHEN NivelNumero >= CapacidadeNumero THEN 100
        ELSE NivelNumero * 100 / CapacidadeNumero
    END AS Percentual
FROM Texto;
