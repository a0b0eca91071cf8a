-- The built-in operator signs in without a password.
UPDATE OPERATOR SET PASWORD = '' WHERE GROUPID = 10000 AND OPCODE = 1;
COMMIT;
