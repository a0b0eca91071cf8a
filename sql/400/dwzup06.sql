-- 4.0.0: the journals of past years kept apart from this year's, so that the past-year
-- balances are totalled without them; both tables have the same layout. What a database has
-- already stays as it is.
SET TERM ^ ;
EXECUTE BLOCK AS
  DECLARE T VARCHAR(31);
BEGIN
  FOR SELECT 'KAKOSIWAKE1' FROM RDB$DATABASE UNION ALL SELECT 'KAKOSIWAKE2' FROM RDB$DATABASE INTO :T DO
    IF (NOT EXISTS(SELECT 1 FROM RDB$RELATIONS WHERE RDB$RELATION_NAME = :T)) THEN
      EXECUTE STATEMENT 'CREATE TABLE ' || T || ' (
        REC INTEGER NOT NULL PRIMARY KEY,
        DELFLG INTEGER DEFAULT 0,
        TAISHAKU INTEGER DEFAULT 1,
        SCODE AC_CODE)';
END^
SET TERM ; ^
COMMIT;
