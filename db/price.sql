-- /*
-- */ R"sql(
-- The program's own price database: the currency table and the procedure
-- that yields the EUR rate. SQL dialect 1, default character set WIN1251.
--
-- The first two lines and the last one look like comments to SQL but make
-- the whole file a C++ raw string, so db/Schema.cpp compiles it into the
-- program; edit it as plain SQL and leave those three lines alone.

-- No key: the currency window stores an empty name as NULL, and rows are
-- told apart by name only.
CREATE TABLE CURRENCY (
    CUNAME VARCHAR(10),
    CURATE DOUBLE PRECISION
);

SET TERM ^ ;

-- The rate of the row named EUR; NULL when there is none. FIRST 1 keeps a
-- duplicated name from failing as a multi-row singleton select.
CREATE PROCEDURE GET_EURO_RATE
RETURNS (RATE DOUBLE PRECISION)
AS
BEGIN
    RATE = NULL;
    SELECT FIRST 1 CURATE FROM CURRENCY
    WHERE CUNAME = 'EUR'
    INTO :RATE;
END ^

SET TERM ; ^

-- )sql"_sql
