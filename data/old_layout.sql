-- The working database of the previous version (2006-01): run after vorna.sql, it takes away
-- the settings columns that version did not have, so ParamRef stops at modifiablePL.
-- Used to build the old-layout fixture that the upgrade is tested on.

ALTER TABLE ParamRef DROP COLUMN partCft;
ALTER TABLE ParamRef DROP COLUMN modeTransfert;
ALTER TABLE ParamRef DROP COLUMN version;
ALTER TABLE ParamRef DROP COLUMN BICZUL;
