// Writes logic.mdb, a Jet4 database whose logic goes beyond its rows:
// field and table validation rules (with texts; one broken by an old row,
// some Oracle cannot hold), table and field descriptions (one with control
// characters), relationships with cascade delete,
// cascade to Null, cascade update and one not enforced, and saved queries
// (text compared without regard to case, a query over a query, functions,
// a parameter query, First), and a table whose rules and queries use
// Int, Fix, ^, Sgn, Sqr, DateAdd by months, StDev and Var. Run with Jackcess:
//   java -cp jackcess.jar:commons-lang3.jar:commons-logging.jar:. MakeLogicDb DIR
import com.healthmarketscience.jackcess.*;
import java.io.*;
import java.util.*;

public class MakeLogicDb {
  static Database db;
  static int nextId = 0x00100000;
  static int tablesParent;

  static Object[] row(int attribute, String expression, Integer flag, String name1, String name2) {
    return new Object[] {attribute, expression, flag, name1, name2};
  }

  static void query(String name, int objectFlags, Object[]... rows) throws IOException {
    int id = nextId++;
    Map<String, Object> object = new HashMap<>();
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
  static Object[] flags(int f) { return row(3, null, f, null, null); }
  static Object[] table(String name) { return row(5, null, null, name, null); }
  static Object[] column(String expr) { return row(6, expr, null, null, null); }
  static Object[] column(String expr, String alias) { return row(6, expr, null, alias, null); }
  static Object[] where(String expr) { return row(8, expr, null, null, null); }
  static Object[] parameter(String name) { return row(2, null, 4, name, null); }

  static void rule(Table t, String column, String rule, String text) throws IOException {
    PropertyMap p = t.getColumn(column).getProperties();
    p.put("ValidationRule", DataType.TEXT, rule);
    if (text != null) p.put("ValidationText", DataType.TEXT, text);
    p.save();
  }

  static void describe(Table t, String column, String text) throws IOException {
    PropertyMap p = column == null ? t.getProperties() : t.getColumn(column).getProperties();
    p.put("Description", DataType.MEMO, text);
    p.save();
  }

  public static void main(String[] args) throws Exception {
    File f = new File(args[0], "logic.mdb");
    f.delete();
    db = new DatabaseBuilder(f).setFileFormat(Database.FileFormat.V2000).create();
    for (Row r : db.getSystemTable("MSysObjects"))
      if ("Tables".equals(r.get("Name"))) tablesParent = (Integer) r.get("Id");

    Table customers = new TableBuilder("Customers")
        .addColumn(new ColumnBuilder("CustID", DataType.LONG))
        .addColumn(new ColumnBuilder("Name", DataType.TEXT).setLength(40))
        .addColumn(new ColumnBuilder("Country", DataType.TEXT).setLength(10))
        .addColumn(new ColumnBuilder("Active", DataType.BOOLEAN))
        .setPrimaryKey("CustID").toTable(db);
    customers.addRow(1, "Alfa", "UK", true);
    customers.addRow(2, "Bravo", "de", false);
    customers.addRow(3, "Charlie", "FR", true);
    customers.addRow(4, "Delta", "uk", true);
    describe(customers, null, "People who order");
    describe(customers, "Name", "The customer's name");
    rule(customers, "Country", "In (\"UK\",\"DE\",\"FR\")", "UK, DE or FR");
    PropertyMap tp = customers.getProperties();
    tp.put("ValidationRule", DataType.TEXT, "[CustID] > 0 Or [Active] = False");
    tp.save();

    Table orders = new TableBuilder("Orders")
        .addColumn(new ColumnBuilder("OrderID", DataType.LONG))
        .addColumn(new ColumnBuilder("CustID", DataType.LONG))
        .addColumn(new ColumnBuilder("Freight", DataType.MONEY))
        .addColumn(new ColumnBuilder("Shipped", DataType.SHORT_DATE_TIME))
        .addColumn(new ColumnBuilder("Note", DataType.TEXT).setLength(50))
        .addColumn(new ColumnBuilder("Due", DataType.SHORT_DATE_TIME))
        .setPrimaryKey("OrderID").toTable(db);
    Calendar c = Calendar.getInstance();
    c.clear();
    c.set(2020, 4, 17);
    Date may = c.getTime();
    c.set(1995, 0, 2);
    Date old = c.getTime();
    orders.addRow(10, 1, new java.math.BigDecimal("12.50"), may, "Alpha", may);
    orders.addRow(11, 1, new java.math.BigDecimal("-5"), old, "Beta", may);  // older than the rule
    orders.addRow(12, 2, new java.math.BigDecimal("30"), null, null, null);
    orders.addRow(13, 4, new java.math.BigDecimal("8"), may, "alpine", null);
    rule(orders, "Freight", ">=0", "No negative freight");
    rule(orders, "Shipped", "Is Null Or >=#1/1/1990#", null);
    rule(orders, "Note", "Like \"A*", null);  // unbalanced quotes
    rule(orders, "Due", "<Date()", null);     // Oracle cannot check the current date

    Table lines = new TableBuilder("Lines")
        .addColumn(new ColumnBuilder("LineID", DataType.LONG))
        .addColumn(new ColumnBuilder("OrderID", DataType.LONG))
        .addColumn(new ColumnBuilder("Qty", DataType.INT))
        .setPrimaryKey("LineID").toTable(db);
    lines.addRow(1, 10, 3);
    lines.addRow(2, 10, 4);
    lines.addRow(3, 12, 1);
    rule(lines, "Qty", "Between 1 And 100", null);
    describe(lines, "Qty", "Count\u0001of\u0007items");

    Table notes = new TableBuilder("Notes")
        .addColumn(new ColumnBuilder("NoteID", DataType.LONG))
        .addColumn(new ColumnBuilder("CustID", DataType.LONG))
        .addColumn(new ColumnBuilder("Body", DataType.MEMO))
        .setPrimaryKey("NoteID").toTable(db);
    notes.addRow(1, 2, "call back");
    notes.addRow(2, 3, "paid");
    describe(notes, "Body", "What was said");

    Table visits = new TableBuilder("Visits")
        .addColumn(new ColumnBuilder("VisitID", DataType.LONG))
        .addColumn(new ColumnBuilder("CustID", DataType.LONG))
        .setPrimaryKey("VisitID").toTable(db);
    visits.addRow(1, 1);
    visits.addRow(2, 9);  // no such customer: the relationship is not enforced

    new RelationshipBuilder("Orders", "Lines").addColumns("OrderID", "OrderID")
        .setReferentialIntegrity().setCascadeDeletes().setName("OrdersLines").toRelationship(db);
    new RelationshipBuilder("Customers", "Notes").addColumns("CustID", "CustID")
        .setReferentialIntegrity().setCascadeNullOnDelete().setName("CustomersNotes")
        .toRelationship(db);
    new RelationshipBuilder("Customers", "Orders").addColumns("CustID", "CustID")
        .setReferentialIntegrity().setCascadeUpdates().setName("CustomersOrders")
        .toRelationship(db);
    new RelationshipBuilder("Customers", "Visits").addColumns("CustID", "CustID")
        .setName("CustomersVisits").toRelationship(db);

    Table parts = new TableBuilder("Parts")
        .addColumn(new ColumnBuilder("PartID", DataType.LONG))
        .addColumn(new ColumnBuilder("Code", DataType.TEXT).setLength(10))
        .addColumn(new ColumnBuilder("Weight", DataType.DOUBLE))
        .addColumn(new ColumnBuilder("Made", DataType.SHORT_DATE_TIME))
        .setPrimaryKey("PartID").toTable(db);
    c.set(2020, 0, 31);
    Date endOfJanuary = c.getTime();
    c.set(2021, 2, 15, 10, 30, 0);
    Date march = c.getTime();
    parts.addRow(1, "P1a", 1.0, endOfJanuary);
    parts.addRow(2, "p22", 9.0, march);
    parts.addRow(3, "P3", 4.0, null);
    rule(parts, "Code", "Like \"P#*\"", null);
    rule(parts, "Weight", ">=0 And Sqr([Weight])<=10 And Int([Weight])<=[Weight] And Sgn([Weight])<>-1",
         null);
    PropertyMap pp = parts.getProperties();
    pp.put("ValidationRule", DataType.TEXT, "[Made] Is Null Or DateAdd(\"m\",1,[Made])>[Made]");
    pp.save();

    query("UK Customers", 0, type(1), table("Customers"), column("Customers.Name"),
          column("Customers.Active"), where("Customers.Country=\"uk\""));
    query("UK A", 0, type(1), table("UK Customers"), column("[UK Customers].Name"),
          where("[UK Customers].Name Like \"A*\""));
    query("Order Info", 0, type(1), table("Orders"), column("Orders.OrderID"),
          column("IIf([Freight]>10,\"big\",\"small\")", "Size"), column("Year([Shipped])", "Yr"),
          column("Format([Shipped],\"yyyy-mm-dd\")", "Day"),
          column("DateAdd(\"d\",1,[Shipped])", "Later"), column("[Freight]*2", "Twice"));
    query("By Freight", 0, type(1), table("Orders"), column("Orders.OrderID"),
          where("Orders.Freight Between 0 And 20"));
    query("Ask", 0, type(1), parameter("Which"), table("Orders"), column("Orders.OrderID"),
          where("Orders.CustID=[Which]"));
    query("Part Math", 0, type(1), table("Parts"), column("Parts.PartID"),
          column("Int(-[Weight]/2)", "Down"), column("Fix(-[Weight]/2)", "Toward"),
          column("[Weight]^2", "Sq"), column("Sgn([Weight]-4)", "Sg"),
          column("Sqr([Weight])", "Root"), column("DateAdd(\"m\",1,[Made])", "Next"),
          where("Parts.Code Like \"P#*\""));
    query("Part Spread", 0, type(1), table("Parts"), column("StDev([Weight])", "S"),
          column("Var([Weight])", "V"));
    query("First Name", 0, type(1), table("Customers"), column("First(Customers.Name)", "F"));
    db.close();
  }
}
