// Writes verifyEdges.mdb for the verifier's tests: an empty table, a table
// of long values only (memo and OLE, no key), and a table whose name and
// columns need quoting in Oracle (a space, a quote, a reserved word).
//   java -cp jackcess.jar:commons-lang3.jar:commons-logging.jar:. MakeVerifyEdgesDb DIR
import com.healthmarketscience.jackcess.*;
import java.io.*;

public class MakeVerifyEdgesDb {
  public static void main(String[] args) throws Exception {
    File f = new File(new File(args[0]), "verifyEdges.mdb");
    f.delete();
    try (Database db = new DatabaseBuilder(f).setFileFormat(Database.FileFormat.V2000).create()) {
      new TableBuilder("Empty")
          .addColumn(new ColumnBuilder("ID", DataType.LONG))
          .addColumn(new ColumnBuilder("Name", DataType.TEXT).setLength(20))
          .setPrimaryKey("ID")
          .toTable(db);
      Table longs = new TableBuilder("LongsOnly")
          .addColumn(new ColumnBuilder("Notes", DataType.MEMO))
          .addColumn(new ColumnBuilder("Picture", DataType.OLE))
          .toTable(db);
      StringBuilder big = new StringBuilder();
      for (int i = 0; i < 5000; ++i) big.append((char) ('a' + i % 26));
      byte[] bytes = new byte[70000];
      for (int i = 0; i < bytes.length; ++i) bytes[i] = (byte) (i * 7);
      longs.addRow("short", new byte[] {1, 2, 3});
      longs.addRow(big.toString(), bytes);
      longs.addRow(null, null);
      longs.addRow("short", new byte[] {1, 2, 3});
      Table odd = new TableBuilder("Order's Lines")
          .addColumn(new ColumnBuilder("Line No", DataType.LONG))
          .addColumn(new ColumnBuilder("Select", DataType.TEXT).setLength(30))
          .addColumn(new ColumnBuilder("it's", DataType.DOUBLE))
          .setPrimaryKey("Line No")
          .toTable(db);
      odd.addRow(1, "first", 0.5);
      odd.addRow(2, "second", -0.25);
    }
  }
}
