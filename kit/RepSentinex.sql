-- RepSentinex.mdb: work tables of the history viewer and the attendance computation (SQLite).
-- Replaced by its empty ".schema" copy at every start of the program.
--
-- Date/time columns (dataora, dataingresso, dataUscita) hold a day number: days since 30/12/1899
-- with the time of day as the fraction (what CDATE('dd/mm/yyyy HH:MM:SS') returns), so they sort and
-- subtract as numbers. Booleans are INTEGER 1/0.

CREATE TABLE temp (
    Cognome     TEXT,
    Nome        TEXT,
    Ora         TEXT,
    NumeroBadge TEXT,
    Data        TEXT,
    causale     TEXT,
    nota        TEXT,
    verso       TEXT,
    dataora     REAL,
    passaggio   INTEGER
);

CREATE TABLE presenze (
    cognome        TEXT,
    nome           TEXT,
    numerobadge    TEXT,
    mancaingresso  INTEGER,
    mancauscita    INTEGER,
    dataingresso   REAL,
    sdataingresso  TEXT,
    dataUscita     REAL,
    sdataUscita    TEXT,
    numeroore      INTEGER,
    numerominuti   INTEGER
);
