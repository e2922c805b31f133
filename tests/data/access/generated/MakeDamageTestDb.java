// Writes damageTest.mdb, the undamaged source of the damaged-file tests:
// Jet4 with a table "Orders" of 830 rows spread over many data pages, a
// table "Notes" whose one memo runs over several long-value pages, and a
// table "Small" of 7 rows on one page. The tests damage copies of it in
// memory (a zeroed page, a cut file, a flipped byte). Run with Jackcess:
//   java -cp jackcess.jar:commons-lang3.jar:commons-logging.jar:. MakeDamageTestDb DIR
import com.healthmarketscience.jackcess.*;
import java.io.*;
import java.math.BigDecimal;
import java.util.*;

public class MakeDamageTestDb {
  public static void main(String[] args) throws Exception {
    File f = new File(args[0], "damageTest.mdb");
    f.delete();
    TimeZone.setDefault(TimeZone.getTimeZone("UTC"));
    try (Database db = new DatabaseBuilder(f).setFileFormat(Database.FileFormat.V2000).create()) {
      Table orders = new TableBuilder("Orders")
          .addColumn(new ColumnBuilder("OrderID", DataType.LONG))
          .addColumn(new ColumnBuilder("Customer", DataType.TEXT).setLength(40))
          .addColumn(new ColumnBuilder("Amount", DataType.MONEY))
          .addColumn(new ColumnBuilder("Shipped", DataType.SHORT_DATE_TIME))
          .setPrimaryKey("OrderID")
          .toTable(db);
      Calendar c = new GregorianCalendar(TimeZone.getTimeZone("UTC"));
      for (int i = 1; i <= 830; ++i) {
        c.clear();
        c.set(2020, 0, 1 + i % 365);
        orders.addRow(10247 + i, "Customer number " + (i * 7919 % 1000), new BigDecimal(i + ".25"),
            c.getTime());
      }
      Table notes = new TableBuilder("Notes")
          .addColumn(new ColumnBuilder("ID", DataType.LONG))
          .addColumn(new ColumnBuilder("Body", DataType.MEMO))
          .toTable(db);
      StringBuilder big = new StringBuilder();
      for (int i = 0; big.length() < 20000; ++i) big.append("note line ").append(i).append('\n');
      notes.addRow(1, big.toString());
      notes.addRow(2, "short");
      Table small = new TableBuilder("Small")
          .addColumn(new ColumnBuilder("N", DataType.LONG))
          .toTable(db);
      for (int i = 1; i <= 7; ++i) small.addRow(i);
    }
  }
}
