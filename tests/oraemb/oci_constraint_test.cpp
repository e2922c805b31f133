// Foreign keys as Oracle builds and enforces them: the referenced key
// (ORA-02268, 02270, 02256, 02267), the check of existing rows (ORA-02298),
// their dictionary rows, child rows without a parent (ORA-02291), parents
// with children (ORA-02292), ON DELETE CASCADE and SET NULL, DROP TABLE with
// and without CASCADE CONSTRAINTS (ORA-02449); and ALTER SEQUENCE as the
// converter uses it to move a counter's sequence past copied values.
#include "tests/oraemb/oci_fixture.h"

namespace oraemb_test {
namespace {

using Rows = std::vector<std::vector<std::string>>;

class ForeignKeys : public OciTest {
 protected:
  void SetUp() override {
    OciTest::SetUp();
    ASSERT_EQ(exec("CREATE TABLE P (ID NUMBER(10,0) CONSTRAINT P_PK PRIMARY KEY, CODE "
                   "NVARCHAR2(5) CONSTRAINT P_CODE UNIQUE, NAME NVARCHAR2(20))"),
              OCI_SUCCESS)
        << error_text();
    ASSERT_EQ(exec("CREATE TABLE C (ID NUMBER(10,0) PRIMARY KEY, PID NUMBER(11,0) NOT NULL, "
                   "PCODE NVARCHAR2(5))"),
              OCI_SUCCESS);
    for (const char* row :
         {"INSERT INTO P VALUES (1, 'a', 'one')", "INSERT INTO P VALUES (2, 'b', 'two')",
          "INSERT INTO C VALUES (10, 1, 'a')", "INSERT INTO C VALUES (11, 1, NULL)"})
      ASSERT_EQ(exec(row, OCI_COMMIT_ON_SUCCESS), OCI_SUCCESS) << error_text();
  }
  std::string count(const std::string& table) {
    return rows("SELECT COUNT(*) FROM " + table)[0][0];
  }
};

TEST_F(ForeignKeys, TheConvertersStatementBuildsASystemNamedKey) {
  // The converter's text: no constraint name, no blank before "(".
  ASSERT_EQ(exec("ALTER TABLE \"C\" ADD FOREIGN KEY (\"PID\") REFERENCES \"P\"(\"ID\")"),
            OCI_SUCCESS)
      << error_text();
  Rows fk = rows(
      "SELECT CONSTRAINT_NAME, TABLE_NAME, R_OWNER, R_CONSTRAINT_NAME, DELETE_RULE, GENERATED, "
      "INDEX_NAME FROM USER_CONSTRAINTS WHERE CONSTRAINT_TYPE='R'");
  ASSERT_EQ(fk.size(), 1u);
  EXPECT_EQ(fk[0][0].rfind("SYS_C", 0), 0u) << fk[0][0];
  EXPECT_EQ(fk[0], (std::vector<std::string>{fk[0][0], "C", "SCOTT", "P_PK", "NO ACTION",
                                             "GENERATED NAME", "<null>"}));
  // The converter's catalogue reads of foreign keys find it from the parent's key.
  EXPECT_EQ(rows("select count(*) from USER_CONSTRAINTS where R_CONSTRAINT_NAME='P_PK' and "
                 "CONSTRAINT_TYPE='R'")[0][0],
            "1");
  EXPECT_EQ(rows("select a.TABLE_NAME,a.CONSTRAINT_NAME,a.DELETE_RULE,b.COLUMN_NAME FROM "
                 "USER_CONSTRAINTS a, USER_CONS_COLUMNS b WHERE "
                 "a.CONSTRAINT_NAME=b.CONSTRAINT_NAME and a.CONSTRAINT_TYPE='R' and "
                 "a.R_CONSTRAINT_NAME='P_PK'"),
            (Rows{{"C", fk[0][0], "NO ACTION", "PID"}}));
  // The same key again: ORA-02275.
  EXPECT_EQ(exec("ALTER TABLE \"C\" ADD FOREIGN KEY (\"PID\") REFERENCES \"P\"(\"ID\")"),
            OCI_ERROR);
  EXPECT_EQ(error_text(), "ORA-02275: such a referential constraint already exists in the table\n");
  // A foreign key makes no index of its own.
  EXPECT_EQ(rows("SELECT COUNT(*) FROM USER_INDEXES WHERE TABLE_NAME='C'")[0][0], "1");
}

TEST_F(ForeignKeys, TheReferencedColumnsMustBeAKey) {
  // A column that is neither the primary nor a unique key: ORA-02270.
  EXPECT_EQ(exec("ALTER TABLE C ADD FOREIGN KEY (PCODE) REFERENCES P (NAME)"), OCI_ERROR);
  EXPECT_EQ(error_text(), "ORA-02270: no matching unique or primary key for this column-list\n");
  // A unique key will do.
  EXPECT_EQ(exec("ALTER TABLE C ADD CONSTRAINT C_CODE FOREIGN KEY (PCODE) REFERENCES P (CODE)"),
            OCI_SUCCESS)
      << error_text();
  // Without a column list the parent's primary key is meant; none: ORA-02268.
  ASSERT_EQ(exec("CREATE TABLE NOKEY (ID NUMBER)"), OCI_SUCCESS);
  EXPECT_EQ(exec("ALTER TABLE C ADD FOREIGN KEY (PID) REFERENCES NOKEY"), OCI_ERROR);
  EXPECT_EQ(error_code(), 2268);
  EXPECT_EQ(exec("ALTER TABLE C ADD FOREIGN KEY (PID, PCODE) REFERENCES P"), OCI_ERROR);
  EXPECT_EQ(error_text(),
            "ORA-02256: number of referencing columns must match referenced columns\n");
  EXPECT_EQ(exec("ALTER TABLE C ADD FOREIGN KEY (PCODE) REFERENCES P (ID)"), OCI_ERROR);
  EXPECT_EQ(error_text(), "ORA-02267: column type incompatible with referenced column type\n");
  EXPECT_EQ(exec("ALTER TABLE C ADD FOREIGN KEY (PID) REFERENCES NOSUCH (ID)"), OCI_ERROR);
  EXPECT_EQ(error_code(), 942);
  EXPECT_EQ(exec("ALTER TABLE C ADD CONSTRAINT P_PK FOREIGN KEY (PID) REFERENCES P"), OCI_ERROR);
  EXPECT_EQ(error_code(), 2264);
  EXPECT_EQ(rows("SELECT COUNT(*) FROM USER_CONSTRAINTS WHERE CONSTRAINT_TYPE='R'")[0][0], "1");
}

TEST_F(ForeignKeys, OrphanedRowsRefuseTheKey) {
  ASSERT_EQ(exec("INSERT INTO C VALUES (12, 7, 'z')", OCI_COMMIT_ON_SUCCESS), OCI_SUCCESS);
  EXPECT_EQ(exec("ALTER TABLE C ADD CONSTRAINT C_FK FOREIGN KEY (PID) REFERENCES P (ID)"),
            OCI_ERROR);
  EXPECT_EQ(error_text(), "ORA-02298: cannot validate (SCOTT.C_FK) - parent keys not found\n");
  EXPECT_EQ(rows("SELECT COUNT(*) FROM USER_CONSTRAINTS WHERE CONSTRAINT_TYPE='R'")[0][0], "0");
  // A key with a NULL part refers to nothing: row 11 does not block this one.
  ASSERT_EQ(exec("DELETE FROM C WHERE ID = 12", OCI_COMMIT_ON_SUCCESS), OCI_SUCCESS);
  EXPECT_EQ(exec("ALTER TABLE C ADD FOREIGN KEY (PCODE) REFERENCES P (CODE)"), OCI_SUCCESS)
      << error_text();
}

TEST_F(ForeignKeys, ChildRowsNeedTheirParentAndParentsKeepTheirChildren) {
  ASSERT_EQ(exec("ALTER TABLE C ADD CONSTRAINT C_FK FOREIGN KEY (PID) REFERENCES P (ID)"),
            OCI_SUCCESS);
  EXPECT_EQ(exec("INSERT INTO C VALUES (20, 9, NULL)", OCI_COMMIT_ON_SUCCESS), OCI_ERROR);
  EXPECT_EQ(error_text(),
            "ORA-02291: integrity constraint (SCOTT.C_FK) violated - parent key not found\n");
  EXPECT_EQ(exec("INSERT INTO C VALUES (20, 2, NULL)", OCI_COMMIT_ON_SUCCESS), OCI_SUCCESS);
  EXPECT_EQ(exec("UPDATE C SET PID = 3 WHERE ID = 20"), OCI_ERROR);
  EXPECT_EQ(error_code(), 2291);
  // The parent of a child stays; the statement changes nothing.
  EXPECT_EQ(exec("DELETE FROM P"), OCI_ERROR);
  EXPECT_EQ(error_text(),
            "ORA-02292: integrity constraint (SCOTT.C_FK) violated - child record found\n");
  EXPECT_EQ(count("P"), "2");
  EXPECT_EQ(exec("UPDATE P SET ID = 5 WHERE ID = 1"), OCI_ERROR);
  EXPECT_EQ(error_code(), 2292);
  // Keys that keep their value, or that no child uses, may change.
  EXPECT_EQ(exec("UPDATE P SET ID = ID, NAME = 'x'"), OCI_SUCCESS) << error_text();
  EXPECT_EQ(exec("DELETE FROM C WHERE ID = 20"), OCI_SUCCESS);
  EXPECT_EQ(exec("UPDATE P SET ID = 6 WHERE ID = 2"), OCI_SUCCESS) << error_text();
  EXPECT_EQ(exec("DELETE FROM P WHERE ID = 6", OCI_COMMIT_ON_SUCCESS), OCI_SUCCESS);

  // The key survives a new session (it is read back from the file).
  OCISvcCtx* other = nullptr;
  ASSERT_EQ(logon(&other, "scott", "tiger"), OCI_SUCCESS);
  EXPECT_EQ(exec_on(other, "INSERT INTO C VALUES (21, 8, NULL)"), OCI_ERROR);
  EXPECT_EQ(error_code(), 2291);
  api.OCILogoff(other, err);
}

TEST_F(ForeignKeys, DeleteRulesCascadeOrSetNull) {
  ASSERT_EQ(exec("CREATE TABLE G (ID NUMBER PRIMARY KEY, CID NUMBER REFERENCES C ON DELETE "
                 "CASCADE, NOTE NVARCHAR2(5) REFERENCES P (CODE) ON DELETE SET NULL)"),
            OCI_SUCCESS)
      << error_text();
  ASSERT_EQ(exec("ALTER TABLE C ADD CONSTRAINT C_FK FOREIGN KEY (PID) REFERENCES P (ID) ON "
                 "DELETE CASCADE"),
            OCI_SUCCESS);
  ASSERT_EQ(exec("INSERT INTO G VALUES (100, 10, 'a')"), OCI_SUCCESS) << error_text();
  ASSERT_EQ(exec("INSERT INTO G VALUES (101, NULL, 'b')"), OCI_SUCCESS);
  EXPECT_EQ(rows("SELECT DELETE_RULE FROM USER_CONSTRAINTS WHERE CONSTRAINT_TYPE='R' ORDER BY 1"),
            (Rows{{"CASCADE"}, {"CASCADE"}, {"SET NULL"}}));
  // P 1 takes C 10 and 11, and C 10 takes G 100; G 101 loses only 'b'.
  ASSERT_EQ(exec("DELETE FROM P WHERE ID = 2"), OCI_SUCCESS) << error_text();
  EXPECT_EQ(rows("SELECT ID, CID, NOTE FROM G ORDER BY ID"),
            (Rows{{"100", "10", "a"}, {"101", "<null>", "<null>"}}));
  ASSERT_EQ(exec("DELETE FROM P WHERE ID = 1"), OCI_SUCCESS) << error_text();
  EXPECT_EQ(count("C"), "0");
  EXPECT_EQ(rows("SELECT ID FROM G"), (Rows{{"101"}}));
  // SET NULL into a NOT NULL column: ORA-01407, and nothing is deleted.
  ASSERT_EQ(exec("CREATE TABLE H (CODE NVARCHAR2(5) NOT NULL REFERENCES P (CODE) ON DELETE SET "
                 "NULL)"),
            OCI_SUCCESS);
  ASSERT_EQ(exec("INSERT INTO P VALUES (3, 'c', NULL)"), OCI_SUCCESS);
  ASSERT_EQ(exec("INSERT INTO H VALUES ('c')"), OCI_SUCCESS);
  EXPECT_EQ(exec("DELETE FROM P WHERE ID = 3"), OCI_ERROR);
  EXPECT_EQ(error_text(), "ORA-01407: cannot update (\"SCOTT\".\"H\".\"CODE\") to NULL\n");
  EXPECT_EQ(count("P WHERE ID = 3"), "1");
}

TEST_F(ForeignKeys, SelfReferencesAreCheckedAtTheEndOfTheStatement) {
  ASSERT_EQ(exec("CREATE TABLE EMP (ID NUMBER PRIMARY KEY, MGR NUMBER CONSTRAINT EMP_MGR "
                 "REFERENCES EMP ON DELETE CASCADE)"),
            OCI_SUCCESS)
      << error_text();
  EXPECT_EQ(exec("INSERT INTO EMP VALUES (1, 1)"), OCI_SUCCESS) << error_text();
  EXPECT_EQ(exec("INSERT INTO EMP VALUES (2, 1)"), OCI_SUCCESS);
  EXPECT_EQ(exec("INSERT INTO EMP VALUES (3, 2)"), OCI_SUCCESS);
  EXPECT_EQ(exec("INSERT INTO EMP VALUES (4, 5)"), OCI_ERROR);
  EXPECT_EQ(error_code(), 2291);
  // Deleting the root takes the whole chain below it.
  EXPECT_EQ(exec("DELETE FROM EMP WHERE ID = 1"), OCI_SUCCESS) << error_text();
  EXPECT_EQ(count("EMP"), "0");
}

TEST_F(ForeignKeys, DropTableNeedsCascadeConstraintsWhenReferenced) {
  ASSERT_EQ(exec("ALTER TABLE C ADD CONSTRAINT C_FK FOREIGN KEY (PID) REFERENCES P (ID)"),
            OCI_SUCCESS);
  EXPECT_EQ(exec("DROP TABLE P"), OCI_ERROR);
  EXPECT_EQ(error_text(), "ORA-02449: unique/primary keys in table referenced by foreign keys\n");
  EXPECT_EQ(exec("ALTER TABLE P DROP CONSTRAINT P_PK"), OCI_ERROR);
  EXPECT_EQ(error_code(), 2273);
  // The converter's DROP: the referencing key goes with the table.
  ASSERT_EQ(exec("DROP TABLE \"P\" CASCADE CONSTRAINTS"), OCI_SUCCESS) << error_text();
  EXPECT_EQ(rows("SELECT COUNT(*) FROM USER_CONSTRAINTS WHERE CONSTRAINT_TYPE='R'")[0][0], "0");
  EXPECT_EQ(exec("INSERT INTO C VALUES (30, 99, NULL)"), OCI_SUCCESS) << error_text();
  // Dropping the child drops its own keys; the parent is then free.
  ASSERT_EQ(exec("CREATE TABLE P2 (ID NUMBER PRIMARY KEY)"), OCI_SUCCESS);
  ASSERT_EQ(exec("CREATE TABLE C2 (PID NUMBER REFERENCES P2)"), OCI_SUCCESS);
  ASSERT_EQ(exec("DROP TABLE C2"), OCI_SUCCESS) << error_text();
  EXPECT_EQ(exec("DROP TABLE P2"), OCI_SUCCESS) << error_text();
}

// The counter's sequence moved past copied values the way that works on
// every Oracle release: NEXTVAL, a one-off increment, NEXTVAL, increment 1.
// The next value is the last one given plus the new increment.
using AlterSequence = OciTest;

TEST_F(AlterSequence, IncrementStepsOverCopiedValuesAndTheTriggerStaysValid) {
  ASSERT_EQ(exec("CREATE TABLE \"T\" (\"ID\" NUMBER(11,0), \"N\" NVARCHAR2(10) )"), OCI_SUCCESS);
  ASSERT_EQ(exec("CREATE SEQUENCE \"T_0\" INCREMENT BY 1 START WITH 1 MAXVALUE "
                 "9999999999999999999999999999 MINVALUE 1 "
                 "NOCYCLE NOCACHE ORDER"),
            OCI_SUCCESS);
  ASSERT_EQ(exec("CREATE OR REPLACE TRIGGER \"T__TRIGGER\" BEFORE INSERT ON \"T\" FOR EACH ROW "
                 "WHEN (new.\"ID\" IS NULL) BEGIN select \"T_0\".nextval into :new.\"ID\" from "
                 "dual; END;"),
            OCI_SUCCESS);
  ASSERT_EQ(exec("INSERT INTO \"T\" VALUES(41, 'copied')", OCI_COMMIT_ON_SUCCESS), OCI_SUCCESS);
  EXPECT_EQ(rows("SELECT \"T_0\".NEXTVAL FROM DUAL"), (Rows{{"1"}}));
  ASSERT_EQ(exec("ALTER SEQUENCE \"T_0\" INCREMENT BY 40"), OCI_SUCCESS) << error_text();
  EXPECT_EQ(rows("SELECT \"T_0\".NEXTVAL FROM DUAL"), (Rows{{"41"}}));
  ASSERT_EQ(exec("ALTER SEQUENCE \"T_0\" INCREMENT BY 1"), OCI_SUCCESS);
  ASSERT_EQ(exec("INSERT INTO \"T\" (\"N\") VALUES ('typed')", OCI_COMMIT_ON_SUCCESS), OCI_SUCCESS)
      << error_text();
  EXPECT_EQ(rows("SELECT ID FROM T WHERE N = 'typed'"), (Rows{{"42"}}));
  EXPECT_EQ(rows("SELECT INCREMENT_BY, LAST_NUMBER, CACHE_SIZE FROM USER_SEQUENCES"),
            (Rows{{"1", "43", "0"}}));
  EXPECT_EQ(rows("SELECT STATUS FROM USER_OBJECTS WHERE OBJECT_TYPE='TRIGGER'"), (Rows{{"VALID"}}));

  EXPECT_EQ(exec("ALTER SEQUENCE \"T_0\" START WITH 5"), OCI_ERROR);
  EXPECT_EQ(error_text(), "ORA-02283: cannot alter starting sequence number\n");
  EXPECT_EQ(exec("ALTER SEQUENCE \"T_0\" MAXVALUE 10"), OCI_ERROR);
  EXPECT_EQ(error_text(), "ORA-04009: MAXVALUE cannot be made to be less than the current value\n");
  EXPECT_EQ(exec("ALTER SEQUENCE \"T_0\" INCREMENT BY 0"), OCI_ERROR);
  EXPECT_EQ(error_code(), 4002);
  EXPECT_EQ(exec("ALTER SEQUENCE NOPE INCREMENT BY 2"), OCI_ERROR);
  EXPECT_EQ(error_code(), 2289);
  EXPECT_EQ(exec("ALTER SEQUENCE \"T_0\""), OCI_ERROR);
  EXPECT_EQ(error_code(), 2286);
}

}  // namespace
}  // namespace oraemb_test
