CREATE TABLE t (a NUMBER);
INSERT INTO t VALUES (1); INSERT INTO t VALUES (2);
SELECT * FROM t -- trailing; comment
;
SELECT 'a;b', "c;d" FROM dual; /* x; y */
