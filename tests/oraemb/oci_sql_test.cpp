// The converter's SQL texts verbatim: DDL and the dictionary rows Oracle
// gives for them, INSERT literal forms and their checks, the trigger, the
// catalogue queries, parse-only execution and honest refusals.
#include "tests/oraemb/oci_fixture.h"

namespace oraemb_test {
namespace {

using Rows = std::vector<std::vector<std::string>>;
using Sql = OciTest;

const char* kOrders =
    "CREATE TABLE \"ORDERS\" (\"ORDERID\" NUMBER(11,0), \"NAME\" NVARCHAR2(50)  DEFAULT 'O''Brien' "
    "NOT NULL, \"MEMO\" CLOB, \"WHEN\" DATE DEFAULT to_date('2011-08-17', 'YYYY-MM-DD'), \"PIC\" "
    "BLOB, "
    "\"G\" RAW(16), \"AMT\" NUMBER(10,2), \"R\" NUMBER DEFAULT 0)";

TEST_F(Sql, CreateTableGivesOraclesColumnDictionary) {
  ASSERT_EQ(exec(kOrders), OCI_SUCCESS) << error_text();
  Rows cols = rows(
      "select COLUMN_NAME, DATA_TYPE, DATA_LENGTH, DATA_PRECISION, DATA_SCALE, NULLABLE, "
      "DATA_DEFAULT, "
      "CHAR_LENGTH from USER_TAB_COLUMNS where table_name = 'ORDERS' ORDER BY COLUMN_ID");
  // DATA_DEFAULT keeps the text as written, with the blank before NOT NULL.
  EXPECT_EQ(cols, (Rows{{"ORDERID", "NUMBER", "22", "11", "0", "Y", "<null>", "0"},
                        {"NAME", "NVARCHAR2", "100", "<null>", "<null>", "N", "'O''Brien' ", "50"},
                        {"MEMO", "CLOB", "4000", "<null>", "<null>", "Y", "<null>", "0"},
                        {"WHEN", "DATE", "7", "<null>", "<null>", "Y",
                         "to_date('2011-08-17', 'YYYY-MM-DD')", "0"},
                        {"PIC", "BLOB", "4000", "<null>", "<null>", "Y", "<null>", "0"},
                        {"G", "RAW", "16", "<null>", "<null>", "Y", "<null>", "0"},
                        {"AMT", "NUMBER", "22", "10", "2", "Y", "<null>", "0"},
                        {"R", "NUMBER", "22", "<null>", "<null>", "Y", "0", "0"}}));
  // NOT NULL is a system-named check constraint.
  Rows cons = rows("select CONSTRAINT_TYPE, SEARCH_CONDITION, GENERATED from USER_CONSTRAINTS");
  ASSERT_EQ(cons.size(), 1u);
  EXPECT_EQ(cons[0], (std::vector<std::string>{"C", "\"NAME\" IS NOT NULL", "GENERATED NAME"}));
  // One LOB index per LOB column, absent from USER_IND_COLUMNS.
  Rows idx = rows("select INDEX_TYPE, UNIQUENESS, GENERATED from user_indexes");
  EXPECT_EQ(idx, (Rows{{"LOB", "UNIQUE", "Y"}, {"LOB", "UNIQUE", "Y"}}));
  EXPECT_TRUE(rows("select * from USER_IND_COLUMNS").empty());
  EXPECT_EQ(exec(kOrders), OCI_ERROR);
  EXPECT_EQ(error_code(), 955);
}

TEST_F(Sql, KeysIndexesAndTheirErrors) {
  ASSERT_EQ(exec(kOrders), OCI_SUCCESS);
  ASSERT_EQ(exec("ALTER TABLE \"ORDERS\" ADD CONSTRAINT \"PrimaryKey\" PRIMARY KEY (\"ORDERID\")"),
            OCI_SUCCESS);
  // The same column list indexed again: ORA-01408; the same key again: ORA-02261.
  EXPECT_EQ(exec("CREATE INDEX \"IX\" ON \"ORDERS\" (\"ORDERID\")"), OCI_ERROR);
  EXPECT_EQ(error_code(), 1408);
  EXPECT_EQ(exec("ALTER TABLE \"ORDERS\" ADD CONSTRAINT \"U1\" UNIQUE (\"ORDERID\")"), OCI_ERROR);
  EXPECT_EQ(error_code(), 2261);
  ASSERT_EQ(exec("CREATE INDEX \"IX2\" ON \"ORDERS\" (\"AMT\", \"R\")"), OCI_SUCCESS);
  // A UNIQUE key over an indexed column set reuses that index (no new index).
  ASSERT_EQ(exec("ALTER TABLE \"ORDERS\" ADD CONSTRAINT \"U2\" UNIQUE (\"R\", \"AMT\")"),
            OCI_SUCCESS);
  // The converter's read of a table's indexes and their columns.
  Rows index_columns = rows(
      "SELECT user_indexes.index_name, user_indexes.uniqueness, user_ind_columns.column_name FROM "
      "user_ind_columns, user_indexes where user_ind_columns.table_name = 'ORDERS' AND "
      "user_indexes.generated='N' AND user_ind_columns.index_name = user_indexes.index_name AND "
      "user_ind_columns.table_name = user_indexes.table_name ORDER BY user_indexes.index_name, "
      "user_ind_columns.column_position");
  EXPECT_EQ(index_columns, (Rows{{"IX2", "NONUNIQUE", "AMT"},
                                 {"IX2", "NONUNIQUE", "R"},
                                 {"PrimaryKey", "UNIQUE", "ORDERID"}}));
  // The converter's read of a table's primary-key columns.
  Rows key_columns = rows(
      "SELECT a.constraint_name, a.column_name FROM user_cons_columns a, user_constraints b WHERE "
      "a.table_name='ORDERS' AND a.constraint_name=b.constraint_name AND b.constraint_type='P' "
      "ORDER BY "
      "a.constraint_name, a.position");
  EXPECT_EQ(key_columns, (Rows{{"PrimaryKey", "ORDERID"}}));
  // The primary key makes its column NOT NULL.
  EXPECT_EQ(rows("select NULLABLE from USER_TAB_COLUMNS where COLUMN_NAME='ORDERID'")[0][0], "N");
  // The list of all index names holds the LOB columns' indexes too.
  EXPECT_EQ(rows("select index_name FROM user_indexes").size(), 4u);
}

TEST_F(Sql, SequenceTriggerAndTheConvertersLoop) {
  ASSERT_EQ(exec("CREATE TABLE \"ORDERS\" (\"ORDERID\" NUMBER(11,0), \"N\" NVARCHAR2(10) )"),
            OCI_SUCCESS);
  // MAXVALUE has 28 digits at most: 1.0E28 is one more.
  EXPECT_EQ(exec("CREATE SEQUENCE \"ORDERS_0\" INCREMENT BY 1 START WITH 1 MAXVALUE 1.0E28"),
            OCI_ERROR);
  EXPECT_EQ(error_text(),
            "ORA-04003: sequence parameter MAXVALUE exceeds maximum size allowed (28 digits)\n");
  const char* seq =
      " INCREMENT BY 1 START WITH 1 MAXVALUE 9999999999999999999999999999 MINVALUE 1 NOCYCLE "
      "NOCACHE ORDER";
  ASSERT_EQ(exec(std::string("CREATE SEQUENCE \"ORDERS_0\"") + seq), OCI_SUCCESS);
  EXPECT_EQ(exec(std::string("CREATE SEQUENCE \"ORDERS_0\"") + seq), OCI_ERROR);
  EXPECT_EQ(error_code(), 955);  // the product tries the next suffix
  EXPECT_EQ(exec(std::string("CREATE SEQUENCE \"ORDERS\"") + seq), OCI_ERROR);
  EXPECT_EQ(error_code(), 955);  // tables and sequences share one namespace
  ASSERT_EQ(
      exec("CREATE OR REPLACE TRIGGER ORDERS__TRIGGER BEFORE INSERT ON ORDERS FOR EACH ROW WHEN "
           "(new.ORDERID IS NULL) BEGIN select ORDERS_0.nextval into :new.ORDERID from dual; END;"),
      OCI_SUCCESS)
      << error_text();
  ASSERT_EQ(exec("INSERT INTO \"ORDERS\" VALUES(NULL, 'a')", OCI_COMMIT_ON_SUCCESS), OCI_SUCCESS)
      << error_text();
  ASSERT_EQ(exec("INSERT INTO \"ORDERS\" VALUES(17, 'b')", OCI_COMMIT_ON_SUCCESS), OCI_SUCCESS);
  ASSERT_EQ(exec("INSERT INTO \"ORDERS\" VALUES(NULL, 'c')", OCI_COMMIT_ON_SUCCESS), OCI_SUCCESS);
  // NULL ids get NEXTVAL; copied ids are kept and do not advance the sequence.
  EXPECT_EQ(rows("SELECT \"ORDERID\" FROM \"ORDERS\" ORDER BY \"N\""),
            (Rows{{"1"}, {"17"}, {"2"}}));
  EXPECT_EQ(rows("select WHEN_CLAUSE, TRIGGER_BODY from USER_TRIGGERS"),
            (Rows{{"new.ORDERID IS NULL",
                   "BEGIN select ORDERS_0.nextval into :new.ORDERID from dual; END;"}}));
  // DROP TABLE takes its trigger but leaves the sequence.
  ASSERT_EQ(exec("DROP TABLE \"ORDERS\" CASCADE CONSTRAINTS"), OCI_SUCCESS);
  EXPECT_EQ(rows("select OBJECT_TYPE from USER_OBJECTS"), (Rows{{"SEQUENCE"}}));
}

TEST_F(Sql, TriggerCompileErrorsFollowOracle) {
  ASSERT_EQ(exec("CREATE TABLE \"Orders\" (\"ID\" NUMBER)"), OCI_SUCCESS);
  ASSERT_EQ(exec("CREATE TABLE \"T\" (\"ID\" NUMBER)"), OCI_SUCCESS);
  // Unquoted ON Orders folds to ORDERS: no such table.
  EXPECT_EQ(
      exec("CREATE OR REPLACE TRIGGER Orders__TRIGGER BEFORE INSERT ON Orders FOR EACH ROW WHEN "
           "(new.ID IS NULL) BEGIN select S.nextval into :new.ID from dual; END;"),
      OCI_ERROR);
  EXPECT_EQ(error_code(), 942);
  EXPECT_EQ(exec("CREATE OR REPLACE TRIGGER T__TRIGGER BEFORE INSERT ON T FOR EACH ROW WHEN "
                 "(new.NOPE IS NULL) BEGIN NULL; END;"),
            OCI_ERROR);
  EXPECT_EQ(error_code(), 4076);
  // An unknown sequence in the body: created INVALID, success with info.
  EXPECT_EQ(exec("CREATE OR REPLACE TRIGGER T__TRIGGER BEFORE INSERT ON T FOR EACH ROW WHEN "
                 "(new.ID IS NULL) BEGIN select T_0.nextval into :new.ID from dual; END;"),
            OCI_SUCCESS_WITH_INFO);
  EXPECT_EQ(error_code(), 24344);
  EXPECT_EQ(rows("select STATUS from USER_OBJECTS where OBJECT_TYPE='TRIGGER'"),
            (Rows{{"INVALID"}}));
  EXPECT_EQ(exec("INSERT INTO \"T\" VALUES(1)", OCI_COMMIT_ON_SUCCESS), OCI_ERROR);
  EXPECT_EQ(error_text(),
            "ORA-04098: trigger 'SCOTT.T__TRIGGER' is invalid and failed re-validation\n");
}

TEST_F(Sql, InsertLiteralFormsRoundTrip) {
  setenv("TARVEL_ORAEMB_NOW", "1312000000", 1);  // 2011-07-30: time-only dates land on 2011-07-01
  ASSERT_EQ(exec(kOrders), OCI_SUCCESS);
  ASSERT_EQ(exec("INSERT /*+ APPEND */ INTO \"ORDERS\" VALUES(17, 'O''Brien', EMPTY_CLOB(), "
                 "to_date('2011-08-17 10:30:00', 'YYYY-MM-DD HH24:MI:SS'), EMPTY_BLOB(), "
                 "HEXTORAW('33221100554477668899AABBCCDDEEFF'), 1234.5, NULL)",
                 OCI_COMMIT_ON_SUCCESS),
            OCI_SUCCESS)
      << error_text();
  ASSERT_EQ(
      exec("INSERT INTO \"ORDERS\" VALUES(-5, 'x', '', to_date('13:05:00', 'HH24-MI-SS'), '', "
           "'0A0B', 1.500000000000000e+000, 12345678.125)",
           OCI_COMMIT_ON_SUCCESS),
      OCI_SUCCESS)
      << error_text();
  ASSERT_EQ(exec("INSERT INTO \"ORDERS\" VALUES(3, 'y', NULL, to_date('2011-08-17', 'YYYY-MM-DD "
                 "HH24:MI:SS'), "
                 "NULL, NULL, 12345678.125, 0)",
                 OCI_COMMIT_ON_SUCCESS),
            OCI_SUCCESS);
  Rows got = rows(
      "SELECT \"ORDERID\", \"NAME\", to_char(\"WHEN\", 'YYYY-MM-DD HH24:MI:SS'), \"G\", \"AMT\", "
      "\"R\", NVL(LENGTH(\"MEMO\"), -1) FROM \"ORDERS\" ORDER BY 1");
  EXPECT_EQ(got, (Rows{{"-5", "x", "2011-07-01 13:05:00", "0A0B", "1.5", "12345678.125", "-1"},
                       {"3", "y", "2011-08-17 00:00:00", "<null>", "12345678.13", "0", "-1"},
                       {"17", "O'Brien", "2011-08-17 10:30:00", "33221100554477668899AABBCCDDEEFF",
                        "1234.5", "<null>", "0"}}));
  // EMPTY_CLOB() is an empty, non-NULL LOB (length 0); '' is NULL.
  EXPECT_EQ(rows("SELECT COUNT(*) FROM \"ORDERS\" WHERE \"MEMO\" IS NOT NULL"), (Rows{{"1"}}));
  unsetenv("TARVEL_ORAEMB_NOW");
}

TEST_F(Sql, ColumnChecksRaiseOraclesErrors) {
  ASSERT_EQ(exec("CREATE TABLE \"T\" (\"A\" NUMBER(5,0), \"B\" NVARCHAR2(5)  NOT NULL, \"C\" "
                 "NUMBER(19,0), "
                 "\"D\" DATE)"),
            OCI_SUCCESS);
  struct Case {
    const char* values;
    int code;
    const char* text;
  } cases[] = {
      {"99999.5, 'x', 1, NULL", 1438, nullptr},  // rounds to 100000
      {"1, 'x', 18446744073709551615, NULL", 1438, nullptr},
      {"1, '', 1, NULL", 1400, "ORA-01400: cannot insert NULL into (\"SCOTT\".\"T\".\"B\")\n"},
      {"1, 'abcdef', 1, NULL", 12899,
       "ORA-12899: value too large for column \"SCOTT\".\"T\".\"B\" (actual: 6, maximum: 5)\n"},
      {"'x1', 'a', 1, NULL", 1722, nullptr},
      {"1, 'a', 1, to_date('2011-02-30', 'YYYY-MM-DD')", 1839, nullptr},
      {"1, 'a', 1, to_date('2011-13-01', 'YYYY-MM-DD')", 1843, nullptr},
      {"1, 'a', 1, to_date('2011-08-17 10:30:00', 'YYYY-MM-DD')", 1830, nullptr},
      {"1, 'a', 1", 947, nullptr},
      {"1, 'a', 1, NULL, 5", 913, nullptr},
      {"nan, 'a', 1, NULL", 984, nullptr},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(
        exec(std::string("INSERT INTO \"T\" VALUES(") + c.values + ")", OCI_COMMIT_ON_SUCCESS),
        OCI_ERROR)
        << c.values;
    EXPECT_EQ(error_code(), c.code) << c.values;
    if (c.text) {
      EXPECT_EQ(error_text(), c.text);
    }
  }
  // Six 2-byte letters fit NVARCHAR2(6): lengths count characters.
  ASSERT_EQ(exec("ALTER TABLE \"T\" MODIFY \"B\" NVARCHAR2(6)  NULL", OCI_COMMIT_ON_SUCCESS),
            OCI_SUCCESS);
  EXPECT_EQ(exec("INSERT INTO \"T\" VALUES(1, 'ÄÖÜäöü', 1, NULL)", OCI_COMMIT_ON_SUCCESS),
            OCI_SUCCESS);
  // MODIFY ... NULL on a column that is already nullable is ORA-01451.
  EXPECT_EQ(exec("ALTER TABLE \"T\" MODIFY \"B\" NVARCHAR2(6)  NULL", OCI_COMMIT_ON_SUCCESS),
            OCI_ERROR);
  EXPECT_EQ(error_code(), 1451);
  EXPECT_EQ(exec("CREATE TABLE \"X\" (\"N\" NVARCHAR2(2001) )"), OCI_ERROR);
  EXPECT_EQ(error_code(), 910);
}

TEST_F(Sql, UniqueKeysFollowOraclesNullRule) {
  ASSERT_EQ(exec("CREATE TABLE \"T\" (\"A\" NUMBER, \"B\" NUMBER)"), OCI_SUCCESS);
  ASSERT_EQ(exec("ALTER TABLE \"T\" ADD CONSTRAINT \"UK\" UNIQUE (\"A\", \"B\")"), OCI_SUCCESS);
  EXPECT_EQ(exec("INSERT INTO \"T\" VALUES(NULL, NULL)", OCI_COMMIT_ON_SUCCESS), OCI_SUCCESS);
  EXPECT_EQ(exec("INSERT INTO \"T\" VALUES(NULL, NULL)", OCI_COMMIT_ON_SUCCESS), OCI_SUCCESS);
  EXPECT_EQ(exec("INSERT INTO \"T\" VALUES(1, NULL)", OCI_COMMIT_ON_SUCCESS), OCI_SUCCESS);
  EXPECT_EQ(exec("INSERT INTO \"T\" VALUES(1, NULL)", OCI_COMMIT_ON_SUCCESS), OCI_ERROR);
  EXPECT_EQ(error_text(), "ORA-00001: unique constraint (SCOTT.UK) violated\n");
  // NUMBER keys compare exactly (beyond double precision).
  EXPECT_EQ(exec("INSERT INTO \"T\" VALUES(9007199254740992, 0)", OCI_COMMIT_ON_SUCCESS),
            OCI_SUCCESS);
  EXPECT_EQ(exec("INSERT INTO \"T\" VALUES(9007199254740993, 0)", OCI_COMMIT_ON_SUCCESS),
            OCI_SUCCESS);
  // The synchronize path: UPDATE by key, and "K"='' matches nothing.
  EXPECT_EQ(exec("UPDATE \"T\" SET \"B\"=5 WHERE \"A\"=1"), OCI_SUCCESS);
  EXPECT_EQ(rows("SELECT \"B\" FROM \"T\" WHERE \"A\"=1"), (Rows{{"5"}}));
  EXPECT_TRUE(rows("SELECT * FROM \"T\" WHERE \"A\"=''").empty());
}

TEST_F(Sql, CatalogueQueriesVerbatim) {
  ASSERT_EQ(exec("CREATE TABLE \"Mixed Case\" (\"K\" NUMBER)"), OCI_SUCCESS);
  EXPECT_EQ(rows("select * from v$version")[0][0],
            "Oracle Database 19c Enterprise Edition Release 19.0.0.0.0 - Production");
  // AND binds tighter than OR in the table-list query.
  EXPECT_EQ(
      rows("select TABLE_NAME, IOT_TYPE from user_tables where TEMPORARY='N' and NESTED='NO' and "
           "IOT_TYPE IS NULL OR IOT_TYPE='IOT'"),
      (Rows{{"Mixed Case", "<null>"}}));
  EXPECT_EQ(rows("SELECT COUNT(*) FROM \"Mixed Case\""), (Rows{{"0"}}));
  EXPECT_EQ(rows("SELECT COUNT(*) FROM USER_TAB_COLUMNS WHERE table_name = 'Mixed Case'"),
            (Rows{{"1"}}));
  EXPECT_EQ(rows("select count(*) from USER_CONSTRAINTS where R_CONSTRAINT_NAME='X' and "
                 "CONSTRAINT_TYPE='R'"),
            (Rows{{"0"}}));
  // DATA_DEFAULT describes as LONG.
  OCIStmt* st = nullptr;
  api.OCIHandleAlloc(env, reinterpret_cast<void**>(&st), OCI_HTYPE_STMT, 0, nullptr);
  std::u16string q = u16(
      "select COLUMN_NAME, DATA_DEFAULT, DATA_TYPE from USER_TAB_COLUMNS where table_name = 'X'");
  api.OCIStmtPrepare(st, err, reinterpret_cast<const OraText*>(q.data()), q.size() * 2, 1, 0);
  ASSERT_EQ(api.OCIStmtExecute(svc, st, err, 0, 0, nullptr, nullptr, 0), OCI_SUCCESS);
  void* param = nullptr;
  ub2 type = 0;
  api.OCIParamGet(st, OCI_HTYPE_STMT, err, &param, 2);
  api.OCIAttrGet(param, OCI_DTYPE_PARAM, &type, nullptr, OCI_ATTR_DATA_TYPE, err);
  EXPECT_EQ(type, SQLT_LNG);
  api.OCIHandleFree(st, OCI_HTYPE_STMT);
}

TEST_F(Sql, ParseOnlyChecksNamesWithoutRunning) {
  ASSERT_EQ(exec("CREATE TABLE \"T\" (\"N\" NUMBER)"), OCI_SUCCESS);
  EXPECT_EQ(exec("SELECT * FROM nosuch", OCI_PARSE_ONLY), OCI_ERROR);
  EXPECT_EQ(error_code(), 942);
  EXPECT_EQ(exec("SELECT nope FROM \"T\"", OCI_PARSE_ONLY), OCI_ERROR);
  EXPECT_EQ(error_text(), "ORA-00904: \"NOPE\": invalid identifier\n");
  EXPECT_EQ(exec("SELECT * FROM \"T\" WHERE", OCI_PARSE_ONLY), OCI_ERROR);
  EXPECT_EQ(error_code(), 936);
  EXPECT_EQ(exec("INSERT INTO \"T\" VALUES(1)", OCI_PARSE_ONLY), OCI_SUCCESS);
  EXPECT_EQ(rows("SELECT COUNT(*) FROM \"T\""), (Rows{{"0"}}));  // nothing executed
}

// Dates before the common era: arithmetic has no year 0, comparisons and
// ORDER BY follow time (the stored text of a BC date sorts the other way),
// and a signed year needs SYYYY.
TEST_F(Sql, DatesBeforeTheCommonEraCountAndSortInTimeOrder) {
  EXPECT_EQ(rows("SELECT TO_CHAR(DATE '0001-01-01' - 1, 'SYYYY-MM-DD'), "
                 "TO_CHAR(DATE '-0001-12-31' + 1, 'SYYYY-MM-DD'), "
                 "DATE '1582-10-15' - DATE '1582-10-04' FROM dual"),
            (Rows{{"-0001-12-31", " 0001-01-01", "1"}}));
  EXPECT_EQ(exec("SELECT DATE '9999-12-31' + 1 FROM dual"), OCI_ERROR);
  EXPECT_EQ(error_code(), 1841);
  EXPECT_EQ(exec("SELECT DATE '-4712-01-01' - 1 FROM dual"), OCI_ERROR);
  EXPECT_EQ(error_code(), 1841);
  EXPECT_EQ(exec("SELECT TO_DATE('-4712-01-01', 'YYYY-MM-DD') FROM dual"), OCI_ERROR);
  EXPECT_EQ(error_code(), 1841);

  ASSERT_EQ(exec("CREATE TABLE \"D\" (\"ID\" NUMBER, \"D\" DATE)"), OCI_SUCCESS);
  const char* values[] = {"1, DATE '2011-08-17'",  "2, TO_DATE('-0044-03-15', 'SYYYY-MM-DD')",
                          "3, DATE '0001-01-01'",  "4, DATE '-4712-01-01'",
                          "5, DATE '-0001-12-31'", "6, DATE '-0044-03-15' + 0.5"};
  for (const char* v : values)
    ASSERT_EQ(exec(std::string("INSERT INTO \"D\" VALUES(") + v + ")", OCI_COMMIT_ON_SUCCESS),
              OCI_SUCCESS)
        << v << ": " << error_text();
  EXPECT_EQ(rows("SELECT \"ID\" FROM \"D\" ORDER BY \"D\""),
            (Rows{{"4"}, {"2"}, {"6"}, {"5"}, {"3"}, {"1"}}));
  EXPECT_EQ(rows("SELECT \"ID\" FROM \"D\" WHERE \"D\" < DATE '-0044-03-16' ORDER BY 1"),
            (Rows{{"2"}, {"4"}, {"6"}}));
  EXPECT_EQ(rows("SELECT TO_CHAR(MIN(\"D\"), 'SYYYY-MM-DD'), TO_CHAR(MAX(\"D\"), 'SYYYY-MM-DD') "
                 "FROM \"D\" WHERE \"D\" < DATE '2000-01-01'"),
            (Rows{{"-4712-01-01", " 0001-01-01"}}));
}

// NEXTVAL stops at the end of a sequence or cycles; CURRVAL is the number
// this session last took, and none before its first NEXTVAL.
TEST_F(Sql, SequencesEndOrCycleAndCurrvalBelongsToTheSession) {
  ASSERT_EQ(exec("CREATE SEQUENCE s_end START WITH 1 INCREMENT BY 1 MAXVALUE 2 NOCYCLE"),
            OCI_SUCCESS)
      << error_text();
  ASSERT_EQ(exec("CREATE SEQUENCE s_down START WITH 2 INCREMENT BY -1 MINVALUE 1 MAXVALUE 2 CYCLE"),
            OCI_SUCCESS)
      << error_text();
  EXPECT_EQ(exec("SELECT s_end.CURRVAL FROM dual"), OCI_ERROR);
  EXPECT_EQ(error_code(), 8002);
  EXPECT_EQ(rows("SELECT s_end.NEXTVAL FROM dual"), (Rows{{"1"}}));
  EXPECT_EQ(rows("SELECT s_end.NEXTVAL FROM dual"), (Rows{{"2"}}));
  EXPECT_EQ(exec("SELECT s_end.NEXTVAL FROM dual"), OCI_ERROR);
  EXPECT_EQ(error_code(), 8004);
  EXPECT_EQ(rows("SELECT s_end.CURRVAL FROM dual"), (Rows{{"2"}}));
  Rows down;
  for (int k = 0; k < 3; ++k) {
    auto got = rows("SELECT s_down.NEXTVAL FROM dual");
    if (!got.empty()) down.push_back(got[0]);
  }
  EXPECT_EQ(down, (Rows{{"2"}, {"1"}, {"2"}}));
  ASSERT_EQ(exec("COMMIT"), OCI_SUCCESS);

  OCISvcCtx* other = nullptr;
  ASSERT_EQ(logon(&other, "scott", "tiger"), OCI_SUCCESS) << error_text();
  EXPECT_EQ(exec_on(other, "SELECT s_down.CURRVAL FROM dual"), OCI_ERROR);
  EXPECT_EQ(error_code(), 8002);
  EXPECT_EQ(rows_on(other, "SELECT s_down.NEXTVAL FROM dual"), (Rows{{"1"}}));
  EXPECT_EQ(rows("SELECT s_down.CURRVAL FROM dual"), (Rows{{"2"}}));
  api.OCILogoff(other, err);
}

TEST_F(Sql, ValidOracleOutsideTheSubsetIsUnimplemented) {
  ASSERT_EQ(exec("CREATE TABLE \"T\" (\"N\" NUMBER)"), OCI_SUCCESS);
  for (const char* sql :
       {"SELECT N FROM T CONNECT BY PRIOR N = N", "CREATE MATERIALIZED VIEW V AS SELECT * FROM T",
        "SELECT * FROM T UNPIVOT (X FOR Y IN (N))", "MERGE INTO T USING DUAL ON (1=1)",
        "SELECT SOUNDEX(N) FROM T", "SELECT * FROM T a CROSS APPLY T b"}) {
    EXPECT_EQ(exec(sql), OCI_ERROR) << sql;
    EXPECT_EQ(error_code(), 3001) << sql;
  }
  for (const char* junk :
       {"SELEC 1", "SELECT", "INSERT INTO", "CREATE TABLE (", "'unterminated", "\"\"",
        "SELECT * FROM T WHERE N = = 1", ")))", "DROP", "ALTER TABLE T MODIFY"}) {
    EXPECT_EQ(exec(junk), OCI_ERROR) << junk;
    EXPECT_GT(error_code(), 0) << junk;
  }
}

// A refusal names what it refuses, so a user knows which part of a statement
// to rewrite: DDL, DML, PL/SQL, types, expressions and queries, each refused
// at parse time or by the executor.
TEST_F(Sql, RefusalsNameTheConstruct) {
  ASSERT_EQ(exec("CREATE TABLE T (N NUMBER CONSTRAINT T_PK PRIMARY KEY, C CLOB)"), OCI_SUCCESS);
  ASSERT_EQ(exec("CREATE TABLE U (N NUMBER)"), OCI_SUCCESS);
  ASSERT_EQ(exec("INSERT INTO U VALUES (1)"), OCI_SUCCESS);
  const std::pair<const char*, const char*> cases[] = {
      {"CREATE INDEX I ON T (N DESC)", "DESC in an index"},
      {"CREATE INDEX I ON T (UPPER(C))", "function-based indexes"},
      {"CREATE TABLE S.X (N NUMBER)", "schema-qualified names"},
      {"CREATE SYNONYM S FOR T", "CREATE SYNONYM"},
      {"ALTER TABLE T DROP COLUMN C", "DROP COLUMN"},
      {"ALTER TABLE T DROP (C)", "DROP of anything but a constraint"},
      {"ALTER TABLE T DISABLE CONSTRAINT T_PK", "DISABLE of a primary key"},
      {"ALTER TABLE T ADD (D BLOB)", "ADD of a LOB column"},
      {"CREATE TABLE X (N NUMBER DEFAULT ON NULL 0)", "DEFAULT ON NULL"},
      {"CREATE TABLE X (T TIMESTAMP WITH TIME ZONE)", "TIMESTAMP WITH TIME ZONE"},
      {"CREATE TABLE X (D INTERVAL DAY TO SECOND)", "INTERVAL"},
      {"INSERT ALL INTO T VALUES (1) SELECT * FROM DUAL", "multitable INSERT"},
      {"INSERT INTO T@REMOTE VALUES (1)", "database links"},
      {"UPDATE T SET N = 1 RETURN N INTO :X", "RETURN in UPDATE"},
      {"DELETE FROM T RETURNING N INTO :X", "RETURNING in DELETE"},
      {"INSERT INTO T (N) VALUES (1) RETURNING N INTO :X",
       "RETURNING of anything but one ROWID into one bind variable"},
      {"BEGIN NULL; END;", "PL/SQL blocks"},
      {"CREATE TRIGGER TR AFTER INSERT ON U FOR EACH ROW BEGIN NULL; END;",
       "AFTER INSERT row triggers"},
      {"ROLLBACK TO SAVEPOINT A", "ROLLBACK TO"},
      {"SELECT SYSTIMESTAMP FROM DUAL", "SYSTIMESTAMP"},
      {"SELECT TO_CHAR('1', '9') FROM U", "TO_CHAR of text with a format model"},
      {"SELECT * FROM U WHERE (N, N) IN (SELECT N, N FROM U)", "row value constructors"},
      {"SELECT EXTRACT(TIMEZONE_HOUR FROM SYSDATE) FROM DUAL", "EXTRACT of TIMEZONE_HOUR"},
      {"GRANT SELECT ON T TO PUBLIC", "object privileges"},
  };
  for (const auto& [sql, construct] : cases) {
    EXPECT_EQ(exec(sql), OCI_ERROR) << sql;
    EXPECT_EQ(error_text(), std::string("ORA-03001: unimplemented feature: ") + construct + "\n")
        << sql;
  }
}

// Blank-padded comparison when both sides are CHAR (columns, literals);
// nonpadded as soon as a VARCHAR2 takes part, so its trailing blanks count.
TEST_F(Sql, CharComparesBlankPaddedAndVarchar2AsItIs) {
  ASSERT_EQ(exec("CREATE TABLE C2 (C CHAR(5), N NCHAR(4), V VARCHAR2(5))"), OCI_SUCCESS);
  ASSERT_EQ(exec("INSERT INTO C2 VALUES ('ab', 'ab', 'ab')"), OCI_SUCCESS);
  ASSERT_EQ(exec("INSERT INTO C2 VALUES ('ab ', 'ab ', 'ab ')"), OCI_SUCCESS);
  ASSERT_EQ(exec("INSERT INTO C2 VALUES ('abc', 'abc', 'abc')"), OCI_SUCCESS);
  const std::vector<std::pair<const char*, const char*>> cases = {
      {"C = 'ab'", "2"}, {"C = 'ab   '", "2"},       {"'ab' = C", "2"},
      {"N = 'ab'", "2"}, {"C IN ('zz', 'ab')", "2"}, {"C > 'ab'", "1"},
      {"C = N", "3"},    {"V = 'ab'", "1"},          {"V = 'ab '", "1"},
      {"C = V", "0"},    {"RTRIM(C) = 'ab'", "2"},   {"'a' = 'a  '", "3"},
  };
  for (const auto& [where, count] : cases)
    EXPECT_EQ(rows(std::string("SELECT COUNT(*) FROM C2 WHERE ") + where)[0][0], count) << where;
  // An UPDATE and a DELETE find CHAR rows by a literal.
  ASSERT_EQ(exec("UPDATE C2 SET V = 'x' WHERE C = 'abc'"), OCI_SUCCESS);
  EXPECT_EQ(rows("SELECT V FROM C2 WHERE C = 'abc  '"), (Rows{{"x"}}));
  ASSERT_EQ(exec("DELETE FROM C2 WHERE N = 'abc'"), OCI_SUCCESS);
  EXPECT_EQ(rows("SELECT COUNT(*) FROM C2")[0][0], "2");
}

// An INVISIBLE column is left out of SELECT * and of an INSERT without a
// column list, yet is there by name; a virtual column is worked out from
// its row on every write and refuses values of its own. The dictionary
// shows both (USER_TAB_COLUMNS leaves the invisible one out).
TEST_F(Sql, InvisibleAndVirtualColumns) {
  ASSERT_EQ(exec("CREATE TABLE T (K NUMBER PRIMARY KEY, H VARCHAR2(10) INVISIBLE DEFAULT 'h', "
                 "Q NUMBER, V NUMBER GENERATED ALWAYS AS (Q * 2 + K) VIRTUAL, "
                 "W VARCHAR2(20) AS ('k' || K))"),
            OCI_SUCCESS)
      << error_text();
  ASSERT_EQ(exec("INSERT INTO T VALUES (1, 10)"), OCI_ERROR);
  EXPECT_EQ(error_code(), 947);  // the virtual columns are in the implicit list
  ASSERT_EQ(exec("INSERT INTO T VALUES (1, 10, 3, 'x')"), OCI_ERROR);
  EXPECT_EQ(error_text(), "ORA-54013: INSERT operation disallowed on virtual columns\n");
  ASSERT_EQ(exec("INSERT INTO T (K, V) VALUES (1, 3)"), OCI_ERROR);
  EXPECT_EQ(error_code(), 54013);
  ASSERT_EQ(exec("INSERT INTO T (K, Q) VALUES (1, 10)"), OCI_SUCCESS) << error_text();
  ASSERT_EQ(exec("INSERT INTO T (K, H, Q) VALUES (2, 'two', NULL)"), OCI_SUCCESS);
  EXPECT_EQ(rows("SELECT * FROM T ORDER BY K"),
            (Rows{{"1", "10", "21", "k1"}, {"2", "<null>", "<null>", "k2"}}));
  EXPECT_EQ(rows("SELECT H, V FROM T ORDER BY K"), (Rows{{"h", "21"}, {"two", "<null>"}}));
  EXPECT_EQ(rows("SELECT K FROM T WHERE V = 21"), (Rows{{"1"}}));
  ASSERT_EQ(exec("UPDATE T SET Q = 5 WHERE K = 2"), OCI_SUCCESS);
  EXPECT_EQ(rows("SELECT V FROM T WHERE K = 2"), (Rows{{"12"}}));
  ASSERT_EQ(exec("UPDATE T SET V = 1"), OCI_ERROR);
  EXPECT_EQ(error_text(), "ORA-54017: UPDATE operation disallowed on virtual columns\n");
  EXPECT_EQ(rows("SELECT COLUMN_NAME, COLUMN_ID, DATA_DEFAULT FROM USER_TAB_COLUMNS "
                 "WHERE TABLE_NAME = 'T' ORDER BY COLUMN_ID"),
            (Rows{{"K", "1", "<null>"},
                  {"Q", "2", "<null>"},
                  {"V", "3", "Q * 2 + K"},
                  {"W", "4", "'k' || K"}}));
  EXPECT_EQ(rows("SELECT COLUMN_NAME, COLUMN_ID, HIDDEN_COLUMN, VIRTUAL_COLUMN FROM USER_TAB_COLS "
                 "WHERE TABLE_NAME = 'T' AND (HIDDEN_COLUMN = 'YES' OR VIRTUAL_COLUMN = 'YES') "
                 "ORDER BY COLUMN_NAME"),
            (Rows{{"H", "<null>", "YES", "NO"}, {"V", "3", "NO", "YES"}, {"W", "4", "NO", "YES"}}));
  // Visibility changes; at least one column stays visible.
  ASSERT_EQ(exec("ALTER TABLE T MODIFY (H VISIBLE, Q INVISIBLE)"), OCI_SUCCESS) << error_text();
  EXPECT_EQ(rows("SELECT * FROM T WHERE K = 1"), (Rows{{"1", "h", "21", "k1"}}));
  ASSERT_EQ(exec("CREATE TABLE U (A NUMBER INVISIBLE)"), OCI_ERROR);
  EXPECT_EQ(error_code(), 54039);
  // A virtual column reads the table's other columns, not virtual ones.
  ASSERT_EQ(exec("CREATE TABLE U (A NUMBER, B NUMBER AS (A + 1), C NUMBER AS (B + 1))"), OCI_ERROR);
  EXPECT_EQ(error_code(), 54012);
  ASSERT_EQ(exec("CREATE TABLE U (A NUMBER, B NUMBER AS (Z + 1))"), OCI_ERROR);
  EXPECT_EQ(error_code(), 904);
  // The catalogue keeps both kinds for the next session.
  ASSERT_EQ(exec("COMMIT"), OCI_SUCCESS);
  OCISvcCtx* other = nullptr;
  ASSERT_EQ(logon(&other, "scott", "tiger"), OCI_SUCCESS);
  EXPECT_EQ(rows_on(other, "SELECT * FROM T WHERE K = 2"), (Rows{{"2", "two", "12", "k2"}}));
  ASSERT_EQ(exec_on(other, "INSERT INTO T (K, Q) VALUES (3, 1)"), OCI_SUCCESS);
  EXPECT_EQ(rows_on(other, "SELECT V, W FROM T WHERE K = 3"), (Rows{{"5", "k3"}}));
  api.OCILogoff(other, err);
}

}  // namespace
}  // namespace oraemb_test
