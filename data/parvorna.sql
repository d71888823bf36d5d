-- The reference database ParVorna.mdb: countries, EEA countries, currencies and economic
-- reason codes, each keyed by a unique Code. The VORNA collation (French order, letter case
-- ignored) sorts the descriptions and makes the codes case-insensitive.

CREATE TABLE Pays (
    Code        TEXT(2) COLLATE VORNA NOT NULL PRIMARY KEY,
    Description TEXT(60) COLLATE VORNA
);

CREATE TABLE PaysEEE (
    Code        TEXT(2) COLLATE VORNA NOT NULL PRIMARY KEY,
    Description TEXT(60) COLLATE VORNA
);

CREATE TABLE Devises (
    Code        TEXT(3) COLLATE VORNA NOT NULL PRIMARY KEY,
    Description TEXT(60) COLLATE VORNA,
    nbDecimale  INTEGER
);

CREATE TABLE CodesEcono (
    Code        TEXT(3) COLLATE VORNA NOT NULL PRIMARY KEY,
    Description TEXT(255) COLLATE VORNA
);
