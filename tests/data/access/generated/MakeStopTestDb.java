// Writes stopTest.mdb for the tests of interrupting a run: "Alpha" (10 rows),
// "Bench" (8,000 rows: AutoNumber key, a number and a short text, so that a
// run takes long enough to be interrupted in the middle of it) and "Omega"
// (10 rows, referring to Alpha). Run with Jackcess:
//   java -cp jackcess.jar:commons-lang3.jar:commons-logging.jar:. MakeStopTestDb DIR
import com.healthmarketscience.jackcess.*;
import java.io.*;

public class MakeStopTestDb {
  public static void main(String[] args) throws Exception {
    File f = new File(args[0], "stopTest.mdb");
    f.delete();
    try (Database db = new DatabaseBuilder(f).setFileFormat(Database.FileFormat.V2000).create()) {
      Table alpha = new TableBuilder("Alpha")
          .addColumn(new ColumnBuilder("A", DataType.LONG))
          .addColumn(new ColumnBuilder("Label", DataType.TEXT).setLengthInUnits(20))
          .setPrimaryKey("A")
          .toTable(db);
      for (int i = 1; i <= 10; ++i) alpha.addRow(i, "alpha " + i);
      Table bench = new TableBuilder("Bench")
          .addColumn(new ColumnBuilder("ID", DataType.LONG).setAutoNumber(true))
          .addColumn(new ColumnBuilder("N", DataType.LONG))
          .addColumn(new ColumnBuilder("T", DataType.TEXT).setLengthInUnits(12))
          .setPrimaryKey("ID")
          .toTable(db);
      Object[][] rows = new Object[8000][];
      for (int i = 0; i < rows.length; ++i) rows[i] = new Object[] {null, i * 7, "row " + i};
      bench.addRows(java.util.Arrays.asList(rows));
      Table omega = new TableBuilder("Omega")
          .addColumn(new ColumnBuilder("O", DataType.LONG))
          .addColumn(new ColumnBuilder("A", DataType.LONG))
          .setPrimaryKey("O")
          .toTable(db);
      for (int i = 1; i <= 10; ++i) omega.addRow(i, i);
      new RelationshipBuilder("Alpha", "Omega").addColumns("A", "A")
          .setReferentialIntegrity().setName("AlphaOmega").toRelationship(db);
    }
  }
}
