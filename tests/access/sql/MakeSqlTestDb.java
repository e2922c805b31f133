// Writes sqlTest.mdb, the small Jet4 database that the Access SQL tests
// query: Customers, Orders and [Order Details] (a name with a blank) with
// text, Yes/No, currency, decimal, dates with and without time, and NULLs.
// Run with Jackcess:
//   java -cp jackcess.jar:commons-lang3.jar:commons-logging.jar:. MakeSqlTestDb DIR
import com.healthmarketscience.jackcess.*;
import java.io.*;
import java.math.BigDecimal;
import java.util.*;

public class MakeSqlTestDb {
  static Date date(int y, int mo, int d, int h, int mi) {
    Calendar c = new GregorianCalendar(TimeZone.getTimeZone("UTC"));
    c.clear();
    c.set(y, mo - 1, d, h, mi, 0);
    return c.getTime();
  }

  static BigDecimal dec(String s) { return s == null ? null : new BigDecimal(s); }

  public static void main(String[] args) throws Exception {
    File f = new File(args[0], "sqlTest.mdb");
    f.delete();
    TimeZone.setDefault(TimeZone.getTimeZone("UTC"));
    try (Database db = new DatabaseBuilder(f).setFileFormat(Database.FileFormat.V2000).create()) {
      Table customers = new TableBuilder("Customers")
          .addColumn(new ColumnBuilder("ID", DataType.LONG))
          .addColumn(new ColumnBuilder("Company Name", DataType.TEXT).setLength(50))
          .addColumn(new ColumnBuilder("City", DataType.TEXT).setLength(30))
          .addColumn(new ColumnBuilder("Country", DataType.TEXT).setLength(30))
          .addColumn(new ColumnBuilder("Since", DataType.SHORT_DATE_TIME))
          .addColumn(new ColumnBuilder("Active", DataType.BOOLEAN))
          .addColumn(new ColumnBuilder("Credit", DataType.MONEY))
          .setPrimaryKey("ID")
          .toTable(db);
      customers.addRow(1, "Alpha Ltd", "Berlin", "Germany", date(2001, 3, 15, 0, 0), true, dec("1500.50"));
      customers.addRow(2, "beta GmbH", "Munich", "Germany", date(1999, 12, 31, 0, 0), false, dec("0"));
      customers.addRow(3, "Gamma & Sons", "London", "UK", date(2010, 1, 31, 0, 0), true, dec("250.25"));
      customers.addRow(4, "Delta", null, "UK", null, false, null);
      customers.addRow(5, "\u00c9psilon", "Paris", "France", date(2010, 1, 31, 10, 30), true, dec("99.9999"));

      Table orders = new TableBuilder("Orders")
          .addColumn(new ColumnBuilder("OrderID", DataType.LONG))
          .addColumn(new ColumnBuilder("CustomerID", DataType.LONG))
          .addColumn(new ColumnBuilder("OrderDate", DataType.SHORT_DATE_TIME))
          .addColumn(new ColumnBuilder("Amount", DataType.MONEY))
          .addColumn(new ColumnBuilder("Qty", DataType.INT))
          .addColumn(new ColumnBuilder("Rate", DataType.DOUBLE))
          .addColumn(new ColumnBuilder("Weight", DataType.NUMERIC).setPrecision(10).setScale(3))
          .addColumn(new ColumnBuilder("Note", DataType.MEMO))
          .setPrimaryKey("OrderID")
          .toTable(db);
      orders.addRow(10, 1, date(2010, 1, 5, 0, 0), dec("100.10"), 2, 0.5, dec("1.125"), "first");
      orders.addRow(11, 1, date(2010, 2, 10, 0, 0), dec("200.20"), 1, 1.5, dec("2.250"), null);
      orders.addRow(12, 2, date(2011, 3, 1, 0, 0), dec("50.05"), 5, 2.5, dec("0.001"), "x");
      orders.addRow(13, 3, date(2010, 1, 31, 0, 0), dec("300.30"), 3, 0.25, dec("10.000"), "");
      orders.addRow(14, 5, date(2012, 12, 24, 0, 0), dec("0.01"), 1, 1.0, null, "late");

      Table details = new TableBuilder("Order Details")
          .addColumn(new ColumnBuilder("OrderID", DataType.LONG))
          .addColumn(new ColumnBuilder("Product", DataType.TEXT).setLength(40))
          .addColumn(new ColumnBuilder("Price", DataType.MONEY))
          .addColumn(new ColumnBuilder("Quantity", DataType.LONG))
          .toTable(db);
      details.addRow(10, "Widget", dec("10.00"), 3);
      details.addRow(10, "Gadget", dec("5.5"), 2);
      details.addRow(11, "Widget", dec("10.00"), 1);
      details.addRow(13, "Gizmo", dec("99.99"), 3);
      details.addRow(14, "widget", dec("0.01"), 1);
    }
  }
}
