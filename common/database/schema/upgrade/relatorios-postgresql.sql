-- The report views (LeituraNumerica, PaginasPorMes, SuprimentoAtual; docs/relatorios.md), for a
-- database created from an older postgresql.sql, or to bring them up to this version's text. They
-- only read DadosOid: made again, they change no stored row. Run indexes-postgresql.sql too (the
-- views' indexes). Safe to run more than once:
--   psql -h HOST -U USER -d vorenta -v ON_ERROR_STOP=1 -f common/database/schema/upgrade/relatorios-postgresql.sql
BEGIN;
DROP VIEW IF EXISTS PaginasPorMes;
DROP VIEW IF EXISTS LeituraNumerica;
DROP VIEW IF EXISTS SuprimentoAtual;
-- Reports for the provider (docs/relatorios.md): read-only views over the stored columns, which
-- keep their meaning. The counters are stored as the device reported them, as text: compared as
-- text "9950" is above "48500" and "" below every number. LeituraNumerica gives them as 64-bit
-- whole numbers; a text that is empty or not a whole number (a sign, a unit, "N/D") is NULL.
CREATE VIEW LeituraNumerica AS
SELECT Cod, Chave, IDServ, NSerie, Fabricante, Modelo, IP, DataLog,
    CASE WHEN ContGeral ~ '^[0-9]{1,18}$' THEN CAST(ContGeral AS bigint) END AS ContGeral,
    CASE WHEN ContColor ~ '^[0-9]{1,18}$' THEN CAST(ContColor AS bigint) END AS ContColor,
    CASE WHEN ContPb ~ '^[0-9]{1,18}$' THEN CAST(ContPb AS bigint) END AS ContPb,
    CASE WHEN ContScan ~ '^[0-9]{1,18}$' THEN CAST(ContScan AS bigint) END AS ContScan,
    CASE WHEN ContA3 ~ '^[0-9]{1,18}$' THEN CAST(ContA3 AS bigint) END AS ContA3,
    CASE WHEN ContA4 ~ '^[0-9]{1,18}$' THEN CAST(ContA4 AS bigint) END AS ContA4
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
    SELECT n.*, to_char(n.DataLog, 'YYYY-MM') AS Mes,
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
        CASE WHEN p.Nivel ~ '^[0-9]{1,9}$' THEN CAST(p.Nivel AS bigint) END AS NivelNumero,
        CASE WHEN p.Capacidade ~ '^[0-9]{1,9}$' THEN CAST(p.Capacidade AS bigint) END AS CapacidadeNumero
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
COMMIT;
