-- Sentinex.mdb: the installation's database (SQLite).
--
-- Storage conventions:
--   * Booleans are INTEGER 1 (True) / 0 (False); a NULL reads as False. Statements may write
--     "= true" / "= false".
--   * Dates are text "dd/mm/yyyy", times text "HH:MM"; "##:##" marks a time that is not set.
--     Statements compare dates through cdbl(CDATE(Data)), a day number (days since 30/12/1899).
--   * Stored order is insertion (rowid) order; "reader position k" is the k-th Lettori row in it.

CREATE TABLE Carte (
    Cognome        TEXT NOT NULL DEFAULT '',
    Nome           TEXT NOT NULL DEFAULT '',
    Indirizzo      TEXT NOT NULL DEFAULT '',
    NumeroCarta    TEXT NOT NULL DEFAULT '',
    Note           TEXT NOT NULL DEFAULT '',
    AbilitaCarta   INTEGER NOT NULL DEFAULT 1,
    Flag_online    INTEGER NOT NULL DEFAULT 1,
    Output1        INTEGER NOT NULL DEFAULT 1,
    Output2        INTEGER NOT NULL DEFAULT 1,
    ControllaInput INTEGER NOT NULL DEFAULT 0,
    MetodoInput    INTEGER NOT NULL DEFAULT 0,
    Input1         INTEGER NOT NULL DEFAULT 1,
    Input2         INTEGER NOT NULL DEFAULT 1,
    Flag_fasce     INTEGER NOT NULL DEFAULT 0,
    NomeFascia     TEXT NOT NULL DEFAULT '',
    Lun_1_da TEXT NOT NULL DEFAULT '##:##', Lun_1_a TEXT NOT NULL DEFAULT '##:##',
    Lun_2_da TEXT NOT NULL DEFAULT '##:##', Lun_2_a TEXT NOT NULL DEFAULT '##:##',
    Mar_1_da TEXT NOT NULL DEFAULT '##:##', Mar_1_a TEXT NOT NULL DEFAULT '##:##',
    Mar_2_da TEXT NOT NULL DEFAULT '##:##', Mar_2_a TEXT NOT NULL DEFAULT '##:##',
    Mer_1_da TEXT NOT NULL DEFAULT '##:##', Mer_1_a TEXT NOT NULL DEFAULT '##:##',
    Mer_2_da TEXT NOT NULL DEFAULT '##:##', Mer_2_a TEXT NOT NULL DEFAULT '##:##',
    Gio_1_da TEXT NOT NULL DEFAULT '##:##', Gio_1_a TEXT NOT NULL DEFAULT '##:##',
    Gio_2_da TEXT NOT NULL DEFAULT '##:##', Gio_2_a TEXT NOT NULL DEFAULT '##:##',
    Ven_1_da TEXT NOT NULL DEFAULT '##:##', Ven_1_a TEXT NOT NULL DEFAULT '##:##',
    Ven_2_da TEXT NOT NULL DEFAULT '##:##', Ven_2_a TEXT NOT NULL DEFAULT '##:##',
    Sab_1_da TEXT NOT NULL DEFAULT '##:##', Sab_1_a TEXT NOT NULL DEFAULT '##:##',
    Sab_2_da TEXT NOT NULL DEFAULT '##:##', Sab_2_a TEXT NOT NULL DEFAULT '##:##',
    Dom_1_da TEXT NOT NULL DEFAULT '##:##', Dom_1_a TEXT NOT NULL DEFAULT '##:##',
    Dom_2_da TEXT NOT NULL DEFAULT '##:##', Dom_2_a TEXT NOT NULL DEFAULT '##:##',
    Lunedi    INTEGER NOT NULL DEFAULT 0,
    Martedi   INTEGER NOT NULL DEFAULT 0,
    Mercoledi INTEGER NOT NULL DEFAULT 0,
    Giovedi   INTEGER NOT NULL DEFAULT 0,
    Venerdi   INTEGER NOT NULL DEFAULT 0,
    Sabato    INTEGER NOT NULL DEFAULT 0,
    Domenica  INTEGER NOT NULL DEFAULT 0,
    SceltaFascia INTEGER NOT NULL DEFAULT 0,
    Lettore      TEXT NOT NULL DEFAULT '0000000000000000000000000000000000000000000000000000000000000000',
    Imparziale   INTEGER NOT NULL DEFAULT 0,
    Stringa      TEXT
);
CREATE INDEX Carte_NumeroCarta ON Carte (NumeroCarta);
CREATE INDEX Carte_Stringa ON Carte (Stringa);
CREATE INDEX Carte_NomeFascia ON Carte (NomeFascia);
CREATE INDEX Carte_Cognome ON Carte (Cognome, Nome);

CREATE TABLE Lettori (
    TipoLettore     TEXT NOT NULL DEFAULT '',
    NumeroLoop      INTEGER NOT NULL DEFAULT 1,
    NumeroIndirizzo INTEGER NOT NULL DEFAULT 0,
    SituatoPresso   TEXT NOT NULL DEFAULT '',
    CodiceImpianto  TEXT NOT NULL DEFAULT '000000',
    Ritardo         INTEGER NOT NULL DEFAULT 0,
    PosCarta1  INTEGER NOT NULL DEFAULT 0,
    PosCarta2  INTEGER NOT NULL DEFAULT 0,
    PosCarta3  INTEGER NOT NULL DEFAULT 0,
    PosCarta4  INTEGER NOT NULL DEFAULT 0,
    PosCodice1 INTEGER NOT NULL DEFAULT 0,
    PosCodice2 INTEGER NOT NULL DEFAULT 0,
    PosCodice3 INTEGER NOT NULL DEFAULT 0,
    PosCodice4 INTEGER NOT NULL DEFAULT 0,
    PosCodice5 INTEGER NOT NULL DEFAULT 0,
    PosCodice6 INTEGER NOT NULL DEFAULT 0,
    Stato       TEXT NOT NULL DEFAULT 'InOut',
    RiscriviRam INTEGER NOT NULL DEFAULT 0,
    TestInput   INTEGER NOT NULL DEFAULT 0,
    FasceOrarie INTEGER NOT NULL DEFAULT 0
);

CREATE TABLE Fasce (
    Nome TEXT NOT NULL DEFAULT '',
    Lun_1_da TEXT NOT NULL DEFAULT '##:##', Lun_1_a TEXT NOT NULL DEFAULT '##:##',
    Lun_2_da TEXT NOT NULL DEFAULT '##:##', Lun_2_a TEXT NOT NULL DEFAULT '##:##',
    Mar_1_da TEXT NOT NULL DEFAULT '##:##', Mar_1_a TEXT NOT NULL DEFAULT '##:##',
    Mar_2_da TEXT NOT NULL DEFAULT '##:##', Mar_2_a TEXT NOT NULL DEFAULT '##:##',
    Mer_1_da TEXT NOT NULL DEFAULT '##:##', Mer_1_a TEXT NOT NULL DEFAULT '##:##',
    Mer_2_da TEXT NOT NULL DEFAULT '##:##', Mer_2_a TEXT NOT NULL DEFAULT '##:##',
    Gio_1_da TEXT NOT NULL DEFAULT '##:##', Gio_1_a TEXT NOT NULL DEFAULT '##:##',
    Gio_2_da TEXT NOT NULL DEFAULT '##:##', Gio_2_a TEXT NOT NULL DEFAULT '##:##',
    Ven_1_da TEXT NOT NULL DEFAULT '##:##', Ven_1_a TEXT NOT NULL DEFAULT '##:##',
    Ven_2_da TEXT NOT NULL DEFAULT '##:##', Ven_2_a TEXT NOT NULL DEFAULT '##:##',
    Sab_1_da TEXT NOT NULL DEFAULT '##:##', Sab_1_a TEXT NOT NULL DEFAULT '##:##',
    Sab_2_da TEXT NOT NULL DEFAULT '##:##', Sab_2_a TEXT NOT NULL DEFAULT '##:##',
    Dom_1_da TEXT NOT NULL DEFAULT '##:##', Dom_1_a TEXT NOT NULL DEFAULT '##:##',
    Dom_2_da TEXT NOT NULL DEFAULT '##:##', Dom_2_a TEXT NOT NULL DEFAULT '##:##',
    Lunedi    INTEGER NOT NULL DEFAULT 0,
    Martedi   INTEGER NOT NULL DEFAULT 0,
    Mercoledi INTEGER NOT NULL DEFAULT 0,
    Giovedi   INTEGER NOT NULL DEFAULT 0,
    Venerdi   INTEGER NOT NULL DEFAULT 0,
    Sabato    INTEGER NOT NULL DEFAULT 0,
    Domenica  INTEGER NOT NULL DEFAULT 0,
    Quanti    INTEGER NOT NULL DEFAULT 0
);

-- Transit history: one row per granted passage or refusal, in insertion order (indice).
CREATE TABLE transiti (
    indice           INTEGER PRIMARY KEY AUTOINCREMENT,
    NumeroBadge      TEXT NOT NULL DEFAULT '',
    Cognome          TEXT NOT NULL DEFAULT '',
    Nome             TEXT NOT NULL DEFAULT '',
    PosizioneLettore TEXT NOT NULL DEFAULT '',
    Data             TEXT NOT NULL DEFAULT '',
    Ora              TEXT NOT NULL DEFAULT '',
    Passaggio        INTEGER NOT NULL DEFAULT 0,
    verso            TEXT NOT NULL DEFAULT '',
    nota             TEXT NOT NULL DEFAULT ''
);
CREATE INDEX transiti_Data ON transiti (Data);
CREATE INDEX transiti_NumeroBadge ON transiti (NumeroBadge);
-- History searches: transits by day (year * 10000 + month * 100 + day of Data, read with built-in
-- functions only) and time; the downloaded "OffLine" transits that the view Storico reads.
CREATE INDEX IF NOT EXISTS transiti_Giorno ON transiti ((CAST(substr(Data, instr(Data, '/') + 1 + instr(substr(Data, instr(Data, '/') + 1), '/'), 4) AS INTEGER) * 10000 + CAST(substr(Data, instr(Data, '/') + 1, instr(substr(Data, instr(Data, '/') + 1), '/') - 1) AS INTEGER) * 100 + CAST(substr(Data, 1, instr(Data, '/') - 1) AS INTEGER)), Ora);
CREATE INDEX IF NOT EXISTS transiti_OffLine ON transiti (nota) WHERE nota = 'OffLine';

-- Persons currently inside (anti-passback).
CREATE TABLE presenti (
    NumeroBadge TEXT NOT NULL DEFAULT ''
);
CREATE INDEX presenti_NumeroBadge ON presenti (NumeroBadge);
-- The anti-passback lookup compares badges without the blanks around them.
CREATE INDEX presenti_NumeroBadge_trim ON presenti (trim(NumeroBadge));

-- Holiday calendar the online bands follow while "Festivita" is on: Data "dd/mm" for every year or
-- "dd/mm/yyyy" for one date; Tipo "Chiuso" (closed all day) or "Domenica" (the user's Sunday band).
CREATE TABLE Festivita (
    Data        TEXT NOT NULL DEFAULT '',
    Descrizione TEXT NOT NULL DEFAULT '',
    Tipo        TEXT NOT NULL DEFAULT 'Chiuso'
);
CREATE INDEX Festivita_Data ON Festivita (Data);

-- What the operators changed through the windows, one row per change, written with the change:
-- Quando "dd/mm/yyyy hh:mm:ss", Utente the operating-system user, Finestra the form, Azione what was done,
-- Chiave the record's key, Prima/Dopo the fields before and after as "Campo=valore" lines.
CREATE TABLE Registro (
    Quando   TEXT NOT NULL DEFAULT '',
    Utente   TEXT NOT NULL DEFAULT '',
    Finestra TEXT NOT NULL DEFAULT '',
    Azione   TEXT NOT NULL DEFAULT '',
    Chiave   TEXT NOT NULL DEFAULT '',
    Prima    TEXT NOT NULL DEFAULT '',
    Dopo     TEXT NOT NULL DEFAULT ''
);

-- Record source of the stand-alone download: a record added here lands in transiti as a granted
-- "OffLine" passage; its direction is the Stato of the reader at position NumeroLettore.
CREATE VIEW Storico AS
    SELECT NumeroBadge AS NumeroCarta, Cognome, Nome, NULL AS NumeroLettore,
           PosizioneLettore AS SituatoPresso, Data, Ora
    FROM transiti WHERE nota = 'OffLine';

CREATE TRIGGER Storico_insert INSTEAD OF INSERT ON Storico
BEGIN
    INSERT INTO transiti (NumeroBadge, Cognome, Nome, PosizioneLettore, Data, Ora, Passaggio, nota, verso)
    VALUES (
        coalesce(NEW.NumeroCarta, ''), coalesce(NEW.Cognome, ''), coalesce(NEW.Nome, ''),
        coalesce(NEW.SituatoPresso, ''), coalesce(NEW.Data, ''), coalesce(NEW.Ora, ''), 1, 'OffLine',
        coalesce(CASE WHEN CAST(NEW.NumeroLettore AS INTEGER) >= 1 THEN
                     (SELECT Stato FROM Lettori ORDER BY rowid
                      LIMIT 1 OFFSET CAST(NEW.NumeroLettore AS INTEGER) - 1)
                 END, ''));
END;
