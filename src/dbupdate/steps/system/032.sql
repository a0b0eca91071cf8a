-- The built-in operator of the electronic books.
INSERT INTO OPERATOR (GROUPID, OPCODE, OPNAME, JOBLEVEL, PASWORD, DATAPAS, JIMUSHO, OKINIIRI, KANSA) VALUES (10000, 1, 'システムユーザー', 9, '1', '', 0, 0, 0);
COMMIT;
