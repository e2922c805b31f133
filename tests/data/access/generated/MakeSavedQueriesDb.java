// Writes savedQueries.mdb, a Jet4 database with small tables and saved
// queries of every kind the Access SQL layer reads back from MSysQueries:
// TOP and TOP PERCENT with ties, DISTINCT TOP, DISTINCTROW over inner, left,
// right and comma joins, UNION and UNION ALL with ORDER BY, crosstabs (one
// with fixed column headings), a
// parameter query, a query over a grouped query, a chain of 51 queries each
// over the one before, a cycle, damaged definitions and a crosstab over
// 10,000 pivot values. Saved queries are written as Access stores them: an
// MSysObjects row of type 5 and its MSysQueries rows (attribute 1 type,
// 2 parameter, 3 flags, 5 table, 6 column, 7 join, 8 where, 9 group by,
// 10 having, 11 order by). Run with Jackcess:
//   java -cp jackcess.jar:commons-lang3.jar:commons-logging.jar:. MakeSavedQueriesDb DIR
import com.healthmarketscience.jackcess.*;
import java.io.*;
import java.util.*;

public class MakeSavedQueriesDb {
  static Database db;
  static int nextId = 0x00100000;
  static int tablesParent;

  // One MSysQueries row.
  static Object[] row(int attribute, String expression, Integer flag, String name1, String name2) {
    return new Object[] {attribute, expression, flag, name1, name2};
  }

  static void query(String name, int objectFlags, Object[]... rows) throws IOException {
    query(name, objectFlags, null, rows);
  }

  // columnHeadings: the crosstab's fixed columns, a query property.
  static void query(String name, int objectFlags, String columnHeadings, Object[]... rows)
      throws IOException {
    int id = nextId++;
    Map<String, Object> object = new HashMap<>();
    if (columnHeadings != null) {
      com.healthmarketscience.jackcess.impl.PropertyMaps props =
          ((com.healthmarketscience.jackcess.impl.DatabaseImpl) db).readProperties(null, id, null);
      props.getDefault().put("ColumnHeadings", DataType.MEMO, columnHeadings);
      object.put("LvProp", props.write());
    }
    object.put("Id", id);
    object.put("ParentId", tablesParent);
    object.put("Name", name);
    object.put("Type", (short) 5);
    object.put("Flags", objectFlags);
    object.put("DateCreate", new Date(0));
    object.put("DateUpdate", new Date(0));
    db.getSystemTable("MSysObjects").addRowFromMap(object);
    Table queries = db.getSystemTable("MSysQueries");
    int order = 0;
    for (Object[] r : rows) {
      Map<String, Object> q = new HashMap<>();
      q.put("ObjectId", id);
      q.put("Attribute", (byte) (int) (Integer) r[0]);
      q.put("Order", new byte[] {0, 0, 0, 0, 0, 0, 0, (byte) order++});
      q.put("Expression", r[1]);
      q.put("Flag", r[2] == null ? null : (short) (int) (Integer) r[2]);
      q.put("Name1", r[3]);
      q.put("Name2", r[4]);
      queries.addRowFromMap(q);
    }
  }

  static Object[] type(int t) { return row(1, null, t, null, null); }
  static Object[] flags(int f, String top) { return row(3, null, f, top, null); }
  static Object[] table(String name) { return row(5, null, null, name, null); }
  static Object[] column(String expr) { return row(6, expr, null, null, null); }
  static Object[] column(String expr, String alias) { return row(6, expr, null, alias, null); }
  static Object[] join(int kind, String on, String left, String right) {
    return row(7, on, kind, left, right);
  }
  static Object[] where(String expr) { return row(8, expr, null, null, null); }
  static Object[] orderBy(String expr, boolean desc) {
    return row(11, expr, null, desc ? "D" : null, null);
  }

  public static void main(String[] args) throws Exception {
    File f = new File(args[0], "savedQueries.mdb");
    f.delete();
    db = new DatabaseBuilder(f).setFileFormat(Database.FileFormat.V2000).create();
    for (Row r : db.getSystemTable("MSysObjects"))
      if ("Tables".equals(r.get("Name"))) tablesParent = (Integer) r.get("Id");

    Table customers = new TableBuilder("Customers")
        .addColumn(new ColumnBuilder("CustID", DataType.LONG))
        .addColumn(new ColumnBuilder("Name", DataType.TEXT).setLength(40))
        .addColumn(new ColumnBuilder("City", DataType.TEXT).setLength(40))
        .setPrimaryKey("CustID").toTable(db);
    customers.addRow(1, "Alfa", "Berlin");
    customers.addRow(2, "Bravo", "Paris");
    customers.addRow(3, "Charlie", "Berlin");
    customers.addRow(4, "Delta", "Rome");
    Table orders = new TableBuilder("Orders")
        .addColumn(new ColumnBuilder("OrderID", DataType.LONG))
        .addColumn(new ColumnBuilder("CustID", DataType.LONG))
        .addColumn(new ColumnBuilder("Amount", DataType.LONG))
        .addColumn(new ColumnBuilder("Region", DataType.TEXT).setLength(10))
        .setPrimaryKey("OrderID").toTable(db);
    orders.addRow(10, 1, 50, "N");
    orders.addRow(11, 1, 30, "S");
    orders.addRow(12, 1, 50, "N");
    orders.addRow(13, 2, 70, "S");
    orders.addRow(14, 3, 20, "N");
    orders.addRow(15, 5, 40, "S");  // a customer that does not exist
    Table scores = new TableBuilder("Scores")
        .addColumn(new ColumnBuilder("ID", DataType.LONG))
        .addColumn(new ColumnBuilder("Player", DataType.TEXT).setLength(10))
        .addColumn(new ColumnBuilder("Points", DataType.LONG))
        .setPrimaryKey("ID").toTable(db);
    String[] players = {"A", "B", "C", "D", "E", "F", "G", "H", "I", "J"};
    int[] points = {90, 80, 80, 70, 60, 50, 50, 40, 30, 20};
    for (int i = 0; i < players.length; ++i) scores.addRow(i + 1, players[i], points[i]);
    Table wide = new TableBuilder("Wide")
        .addColumn(new ColumnBuilder("ID", DataType.LONG))
        .addColumn(new ColumnBuilder("Grp", DataType.LONG))
        .toTable(db);
    for (int i = 0; i < 10000; ++i) wide.addRow(i, i % 3);

    query("TopTwo", 0, type(1), flags(0x10, "2"), table("Scores"), column("Scores.Player"),
          column("Scores.Points"), orderBy("Scores.Points", true));
    query("TopPercent", 0, type(1), flags(0x30, "35"), table("Scores"), column("Scores.Player"),
          column("Scores.Points"), orderBy("Scores.Points", false));
    query("DistinctTop", 0, type(1), flags(0x12, "2"), table("Scores"), column("Scores.Points"),
          orderBy("Scores.Points", true));
    String on = "Customers.CustID = Orders.CustID";
    query("RowsInner", 0, type(1), flags(0x08, null), table("Customers"), table("Orders"),
          column("Customers.Name"), join(1, on, "Customers", "Orders"),
          orderBy("Customers.Name", false));
    query("RowsLeft", 0, type(1), flags(0x08, null), table("Customers"), table("Orders"),
          column("Customers.Name"), join(2, on, "Customers", "Orders"),
          orderBy("Customers.Name", false));
    query("RowsRight", 0, type(1), flags(0x08, null), table("Orders"), table("Customers"),
          column("Customers.City"), join(3, on, "Orders", "Customers"),
          where("(((Customers.City)=\"Berlin\"))"));
    query("RowsComma", 0, type(1), flags(0x08, null), table("Customers"), table("Orders"),
          column("Customers.City"), where("Customers.CustID = Orders.CustID"));
    query("BerlinOrFirst", 128, type(9), flags(0x02, null),
          row(5, "SELECT Name FROM Customers WHERE City = 'Berlin'", null, null, "X7YZ_____1"),
          row(5, "SELECT Name FROM Customers WHERE CustID <= 2", null, null, "X7YZ_____2"),
          orderBy("Name", false));
    query("BerlinOrFirstAll", 128, type(9), flags(0, null),
          row(5, "SELECT Name FROM Customers WHERE City = 'Berlin'", null, null, "X7YZ_____1"),
          row(5, "SELECT Name FROM Customers WHERE CustID <= 2", null, null, "X7YZ_____2"),
          orderBy("Name", true));
    query("RegionTotals", 16, type(6), table("Orders"),
          row(6, "Orders.CustID", 2, null, null), row(6, "Sum(Orders.Amount)", 0, "Total", null),
          row(6, "Orders.Region", 1, null, null), row(9, "Orders.CustID", 2, null, null),
          row(9, "Orders.Region", 1, null, null));
    query("RegionFixed", 16, "\"S\",\"W\"", type(6), table("Orders"),
          row(6, "Orders.CustID", 2, null, null), row(6, "Sum(Orders.Amount)", 0, "Total", null),
          row(6, "Orders.Region", 1, null, null), row(9, "Orders.CustID", 2, null, null),
          row(9, "Orders.Region", 1, null, null));
    query("OrdersAbove", 0, type(1), row(2, null, 4, "Min Amount", null), table("Orders"),
          column("Orders.OrderID"), where("Orders.Amount > [Min Amount]"));
    query("CustTotals", 0, type(1), table("Customers"), table("Orders"), column("Customers.Name"),
          column("Sum(Orders.Amount)", "Total"), join(1, on, "Customers", "Orders"),
          row(9, "Customers.Name", null, null, null), row(10, "Sum(Orders.Amount) > 0", null, null, null));
    query("BigSpenders", 0, type(1), table("CustTotals"), column("CustTotals.Name"),
          column("CustTotals.Total"), where("CustTotals.Total > 50"),
          orderBy("CustTotals.Total", true));
    query("Chain1", 0, type(1), flags(0x01, null), table("Scores"), where("Points > 20"));
    for (int i = 2; i <= 51; ++i)
      query("Chain" + i, 0, type(1), flags(0x01, null), table("Chain" + (i - 1)));
    query("CycleA", 0, type(1), flags(0x01, null), table("CycleB"));
    query("CycleB", 0, type(1), flags(0x01, null), table("CycleA"));
    query("BrokenJoin", 0, type(1), table("Customers"), column("Customers.Name"),
          join(1, on, "Customers", "Orders"));
    query("NoRows", 0);
    query("WideCrosstab", 16, type(6), table("Wide"), row(6, "Wide.Grp", 2, null, null),
          row(6, "Count(Wide.ID)", 0, "N", null), row(6, "Wide.ID", 1, null, null),
          row(9, "Wide.Grp", 2, null, null), row(9, "Wide.ID", 1, null, null));
    db.close();
  }
}
