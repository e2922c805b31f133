// Writes samples/sample.mdb, the small Access 2000 database that `make demo`
// converts: a shop with customers, products, orders and order lines. It shows
// AutoNumber keys, text in several scripts, memo, OLE, dates, currency, a
// Required column, default values, unique and composite indexes and
// relationships (one of them over two columns). Run with Jackcess:
//   CP=jackcess.jar:/usr/share/java/commons-lang3.jar:/usr/share/java/commons-logging.jar
//   javac -cp "$CP" -d /tmp/mksample MakeSampleDb.java
//   java -cp "$CP:/tmp/mksample" MakeSampleDb samples/sample.mdb
import com.healthmarketscience.jackcess.*;
import java.io.File;
import java.math.BigDecimal;
import java.util.*;

public class MakeSampleDb {
  static Date date(int y, int mo, int d, int h, int mi) {
    Calendar c = new GregorianCalendar(TimeZone.getTimeZone("UTC"));
    c.clear();
    c.set(y, mo - 1, d, h, mi, 0);
    return c.getTime();
  }

  static byte[] picture(int seed) {
    // A tiny 2x2 BMP, distinct per product.
    byte[] b = new byte[70];
    b[0] = 'B';
    b[1] = 'M';
    b[2] = 70;
    b[10] = 54;
    b[14] = 40;
    b[18] = 2;
    b[22] = 2;
    b[26] = 1;
    b[28] = 24;
    for (int i = 54; i < 70; ++i) b[i] = (byte) (seed * 37 + i);
    return b;
  }

  public static void main(String[] args) throws Exception {
    TimeZone.setDefault(TimeZone.getTimeZone("UTC"));
    File f = new File(args[0]);
    f.delete();
    try (Database db = new DatabaseBuilder(f).setFileFormat(Database.FileFormat.V2000).create()) {
      Table customers = new TableBuilder("Customers")
          .addColumn(new ColumnBuilder("CustomerID", DataType.LONG).setAutoNumber(true))
          .addColumn(new ColumnBuilder("Company", DataType.TEXT).setLengthInUnits(60)
                         .putProperty(PropertyMap.REQUIRED_PROP, true))
          .addColumn(new ColumnBuilder("Contact", DataType.TEXT).setLengthInUnits(40))
          .addColumn(new ColumnBuilder("City", DataType.TEXT).setLengthInUnits(30))
          .addColumn(new ColumnBuilder("Country", DataType.TEXT).setLengthInUnits(20)
                         .putProperty(PropertyMap.DEFAULT_VALUE_PROP, "\"Deutschland\""))
          .addColumn(new ColumnBuilder("Email", DataType.TEXT).setLengthInUnits(60))
          .addColumn(new ColumnBuilder("Since", DataType.SHORT_DATE_TIME))
          .setPrimaryKey("CustomerID")
          .addIndex(new IndexBuilder("UniqueEmail").addColumns("Email").setUnique())
          .toTable(db);
      customers.addRow(null, "Müller & Söhne GmbH", "Jürgen Müller", "München", "Deutschland",
          "info@mueller.example", date(1998, 3, 1, 0, 0));
      customers.addRow(null, "Αθηναϊκή Εμπορική", "Ελένη Παπαδοπούλου", "Αθήνα", "Ελλάδα",
          "eleni@athens.example", date(2003, 11, 20, 0, 0));
      customers.addRow(null, "Торговый дом «Север»", "Иван Петров", "Санкт-Петербург",
          "Россия", "ivan@sever.example", date(2010, 6, 7, 0, 0));
      customers.addRow(null, "北京茶叶公司", "王芳", "北京", "中国", "wang@tea.example",
          date(2015, 1, 15, 0, 0));
      customers.addRow(null, "Café Señor Pérez", null, "Sevilla", "España", null, null);

      Table products = new TableBuilder("Products")
          .addColumn(new ColumnBuilder("ProductID", DataType.LONG).setAutoNumber(true))
          .addColumn(new ColumnBuilder("ProductName", DataType.TEXT).setLengthInUnits(50)
                         .putProperty(PropertyMap.REQUIRED_PROP, true))
          .addColumn(new ColumnBuilder("UnitPrice", DataType.MONEY)
                         .putProperty(PropertyMap.DEFAULT_VALUE_PROP, "0"))
          .addColumn(new ColumnBuilder("InStock", DataType.INT)
                         .putProperty(PropertyMap.DEFAULT_VALUE_PROP, "=0"))
          .addColumn(new ColumnBuilder("Discontinued", DataType.BOOLEAN)
                         .putProperty(PropertyMap.DEFAULT_VALUE_PROP, "No"))
          .addColumn(new ColumnBuilder("Description", DataType.MEMO))
          .addColumn(new ColumnBuilder("Picture", DataType.OLE))
          .setPrimaryKey("ProductID")
          .addIndex(new IndexBuilder("UniqueName").addColumns("ProductName").setUnique())
          .toTable(db);
      StringBuilder longText = new StringBuilder();
      for (int i = 1; i <= 40; ++i)
        longText.append("Ceylon tea, line ").append(i).append(": bright, brisk and golden. ");
      products.addRow(null, "Earl Grey", new BigDecimal("12.5000"), 120, false,
          "Black tea with bergamot.", picture(1));
      products.addRow(null, "Ceylon Orange Pekoe", new BigDecimal("9.9900"), 40, false,
          longText.toString(), picture(2));
      products.addRow(null, "Пуэр (выдержанный)", new BigDecimal("31.0000"), 8, false,
          "Выдержанный чай из Юньнани.", null);
      products.addRow(null, "龙井茶", new BigDecimal("45.2500"), 0, true, "", picture(3));

      Table orders = new TableBuilder("Orders")
          .addColumn(new ColumnBuilder("OrderID", DataType.LONG).setAutoNumber(true))
          .addColumn(new ColumnBuilder("CustomerID", DataType.LONG)
                         .putProperty(PropertyMap.REQUIRED_PROP, true))
          .addColumn(new ColumnBuilder("OrderDate", DataType.SHORT_DATE_TIME))
          .addColumn(new ColumnBuilder("ShippedDate", DataType.SHORT_DATE_TIME))
          .addColumn(new ColumnBuilder("Freight", DataType.MONEY))
          .addColumn(new ColumnBuilder("Status", DataType.TEXT).setLengthInUnits(10)
                         .putProperty(PropertyMap.DEFAULT_VALUE_PROP, "=\"New\""))
          .setPrimaryKey("OrderID")
          .addIndex(new IndexBuilder("ByCustomerDate").addColumns("CustomerID", "OrderDate"))
          .toTable(db);
      orders.addRow(null, 1, date(2024, 1, 15, 9, 30), date(2024, 1, 17, 14, 0),
          new BigDecimal("4.5000"), "Shipped");
      orders.addRow(null, 2, date(2024, 2, 2, 16, 5), null, new BigDecimal("12.0000"), "New");
      orders.addRow(null, 3, date(2024, 2, 29, 11, 0), date(2024, 3, 4, 10, 0),
          new BigDecimal("0.9900"), "Shipped");
      orders.addRow(null, 1, date(2024, 3, 1, 8, 0), null, null, "New");

      Table lines = new TableBuilder("OrderLines")
          .addColumn(new ColumnBuilder("OrderID", DataType.LONG))
          .addColumn(new ColumnBuilder("LineNo", DataType.INT))
          .addColumn(new ColumnBuilder("ProductID", DataType.LONG)
                         .putProperty(PropertyMap.REQUIRED_PROP, true))
          .addColumn(new ColumnBuilder("Quantity", DataType.INT)
                         .putProperty(PropertyMap.DEFAULT_VALUE_PROP, "1"))
          .addColumn(new ColumnBuilder("UnitPrice", DataType.MONEY))
          .addColumn(new ColumnBuilder("Discount", DataType.FLOAT))
          .addIndex(new IndexBuilder(IndexBuilder.PRIMARY_KEY_NAME)
                        .addColumns("OrderID", "LineNo").setPrimaryKey())
          .toTable(db);
      lines.addRow(1, 1, 1, 2, new BigDecimal("12.5000"), 0.0f);
      lines.addRow(1, 2, 2, 1, new BigDecimal("9.9900"), 0.1f);
      lines.addRow(2, 1, 3, 3, new BigDecimal("31.0000"), 0.05f);
      lines.addRow(3, 1, 4, 1, new BigDecimal("45.2500"), 0.0f);
      lines.addRow(3, 2, 1, 5, new BigDecimal("11.0000"), 0.15f);
      lines.addRow(4, 1, 2, 2, new BigDecimal("9.9900"), 0.0f);

      // Deliveries of order lines: a foreign key of two columns.
      Table shipments = new TableBuilder("Shipments")
          .addColumn(new ColumnBuilder("ShipmentID", DataType.LONG).setAutoNumber(true))
          .addColumn(new ColumnBuilder("OrderID", DataType.LONG))
          .addColumn(new ColumnBuilder("LineNo", DataType.INT))
          .addColumn(new ColumnBuilder("Carrier", DataType.TEXT).setLengthInUnits(30))
          .addColumn(new ColumnBuilder("Delivered", DataType.SHORT_DATE_TIME))
          .setPrimaryKey("ShipmentID")
          .toTable(db);
      shipments.addRow(null, 1, 1, "DHL", date(2024, 1, 17, 14, 0));
      shipments.addRow(null, 1, 2, "DHL", date(2024, 1, 17, 14, 0));
      shipments.addRow(null, 3, 1, "Почта России", date(2024, 3, 4, 10, 0));

      new RelationshipBuilder("Customers", "Orders").addColumns("CustomerID", "CustomerID")
          .setReferentialIntegrity().setName("CustomersOrders").toRelationship(db);
      new RelationshipBuilder("Orders", "OrderLines").addColumns("OrderID", "OrderID")
          .setReferentialIntegrity().setCascadeDeletes().setName("OrdersOrderLines")
          .toRelationship(db);
      new RelationshipBuilder("Products", "OrderLines").addColumns("ProductID", "ProductID")
          .setReferentialIntegrity().setName("ProductsOrderLines").toRelationship(db);
      new RelationshipBuilder("OrderLines", "Shipments").addColumns("OrderID", "OrderID")
          .addColumns("LineNo", "LineNo").setReferentialIntegrity()
          .setName("OrderLinesShipments").toRelationship(db);
    }
  }
}
