// Writes the small Access files the DAO component's tests need and the
// public corpus lacks: a Jet4 database with a memo longer than 64 KB, an OLE
// value, Decimal, GUID, Currency, dates before 1900, NULL and empty text, a
// Required column, a default value and a relationship; and a workgroup file
// (MSysAccounts with two users, "Jet System DB" signature). Run with Jackcess:
//   java -cp jackcess.jar:commons-lang3.jar:commons-logging.jar:. MakeDaoTestDb DIR
import com.healthmarketscience.jackcess.*;
import java.io.*;
import java.math.BigDecimal;
import java.nio.file.*;
import java.util.*;

public class MakeDaoTestDb {
  static Date date(int y, int mo, int d, int h, int mi, int s) {
    Calendar c = new GregorianCalendar(TimeZone.getTimeZone("UTC"));
    c.clear();
    c.set(y, mo - 1, d, h, mi, s);
    return c.getTime();
  }

  public static void main(String[] args) throws Exception {
    File dir = new File(args[0]);
    File f = new File(dir, "daoValues.mdb");
    f.delete();
    TimeZone.setDefault(TimeZone.getTimeZone("UTC"));
    try (Database db = new DatabaseBuilder(f).setFileFormat(Database.FileFormat.V2000).create()) {
      Table t = new TableBuilder("Values")
          .addColumn(new ColumnBuilder("ID", DataType.LONG).setAutoNumber(true))
          .addColumn(new ColumnBuilder("Name", DataType.TEXT).setLength(100))
          .addColumn(new ColumnBuilder("Notes", DataType.MEMO))
          .addColumn(new ColumnBuilder("Blob", DataType.OLE))
          .addColumn(new ColumnBuilder("Price", DataType.MONEY))
          .addColumn(new ColumnBuilder("Amount", DataType.NUMERIC).setPrecision(18).setScale(4))
          .addColumn(new ColumnBuilder("Key", DataType.GUID))
          .addColumn(new ColumnBuilder("Born", DataType.SHORT_DATE_TIME))
          .addColumn(new ColumnBuilder("Code", DataType.TEXT).setLength(10)
                         .putProperty(PropertyMap.REQUIRED_PROP, true)
                         .putProperty(PropertyMap.DEFAULT_VALUE_PROP, "\"abc\""))
          .setPrimaryKey("ID")
          .toTable(db);
      StringBuilder big = new StringBuilder();
      for (int i = 0; big.length() < 70000; ++i) big.append("line ").append(i).append(" \u00e9\u4e2d\n");
      byte[] blob = new byte[70000];
      for (int i = 0; i < blob.length; ++i) blob[i] = (byte) (i * 7);
      t.addRow(null, "first", big.toString(), blob, new BigDecimal("1234.5678"),
          new BigDecimal("-98765432109876.5432"), "{6F9619FF-8B86-D011-B42D-00C04FC964FF}",
          date(1850, 6, 15, 13, 45, 0), "A1");
      t.addRow(null, "", "", new byte[0], new BigDecimal("0"), new BigDecimal("0.0001"), null,
          date(9999, 12, 31, 23, 59, 59), "B2");
      t.addRow(null, null, null, null, null, null, null, null, "C3");

      Table parent = new TableBuilder("Parent")
          .addColumn(new ColumnBuilder("P1", DataType.LONG))
          .addColumn(new ColumnBuilder("P2", DataType.TEXT).setLength(10))
          .addIndex(new IndexBuilder(IndexBuilder.PRIMARY_KEY_NAME).addColumns("P1", "P2").setPrimaryKey())
          .toTable(db);
      Table child = new TableBuilder("Child")
          .addColumn(new ColumnBuilder("C", DataType.LONG))
          .addColumn(new ColumnBuilder("F1", DataType.LONG))
          .addColumn(new ColumnBuilder("F2", DataType.TEXT).setLength(10))
          .addIndex(new IndexBuilder("ByF").addColumns(false, "F1").addColumns("F2"))
          .toTable(db);
      parent.addRow(1, "x");
      child.addRow(10, 1, "x");
      new RelationshipBuilder("Parent", "Child").addColumns("P1", "F1").addColumns("P2", "F2")
          .setReferentialIntegrity().setName("ParentChild").toRelationship(db);
      new RelationshipBuilder("Values", "Child").addColumns("ID", "C")
          .setName("AValuesChild").toRelationship(db);
    }

    File w = new File(dir, "workgroup.mdw");
    w.delete();
    try (Database db = new DatabaseBuilder(w).setFileFormat(Database.FileFormat.V2000).create()) {
      Table accounts = new TableBuilder("MSysAccounts")
          .addColumn(new ColumnBuilder("Name", DataType.TEXT).setLength(20))
          .addColumn(new ColumnBuilder("Password", DataType.BINARY).setLength(20))
          .addColumn(new ColumnBuilder("FGroup", DataType.INT))
          .toTable(db);
      accounts.addRow("admin", new byte[] {1, 2}, 0);
      accounts.addRow("Maria", new byte[] {3, 4}, 0);
      accounts.addRow("Admins", null, 1);
    }
    // The workgroup signature replaces "Standard Jet DB" at offset 4.
    try (RandomAccessFile raf = new RandomAccessFile(w, "rw")) {
      raf.seek(4);
      raf.write("Jet System DB  \0".getBytes("US-ASCII"));
    }
  }
}
