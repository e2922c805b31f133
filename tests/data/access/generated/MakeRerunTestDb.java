// Writes rerunNames.mdb, a Jet4 database whose table names Oracle refuses
// in every way that a converter must repair, and two of which clean to the
// same name: "A B" and "A_B" (and "A-B"), "1st Quarter" (a digit first),
// a name longer than 30 bytes, and "Order Details" with a column name that
// has a blank and a relationship to "A B". Each table has an AutoNumber key.
// Run with Jackcess:
//   java -cp jackcess.jar:commons-lang3.jar:commons-logging.jar:. MakeRerunTestDb DIR
import com.healthmarketscience.jackcess.*;
import java.io.*;
import java.math.BigDecimal;

public class MakeRerunTestDb {
  static Table keyed(Database db, String name, String textColumn) throws IOException {
    return new TableBuilder(name)
        .addColumn(new ColumnBuilder("ID", DataType.LONG).setAutoNumber(true))
        .addColumn(new ColumnBuilder(textColumn, DataType.TEXT).setLength(50))
        .setPrimaryKey("ID")
        .toTable(db);
  }

  public static void main(String[] args) throws Exception {
    File f = new File(args[0], "rerunNames.mdb");
    f.delete();
    try (Database db = new DatabaseBuilder(f).setFileFormat(Database.FileFormat.V2000).create()) {
      Table ab = keyed(db, "A B", "Name");
      ab.addRow(null, "blank one");
      ab.addRow(null, "blank two");
      ab.addRow(null, "blank three");
      Table a_b = keyed(db, "A_B", "Name");
      a_b.addRow(null, "underscore one");
      a_b.addRow(null, "underscore two");
      Table dash = keyed(db, "A-B", "Name");
      dash.addRow(null, "dash one");
      Table quarter = keyed(db, "1st Quarter", "Month Name");
      quarter.addRow(null, "January");
      quarter.addRow(null, "February");
      Table longName = keyed(db, "An Extraordinarily Long Table Name", "Name");
      longName.addRow(null, "long");
      Table details = new TableBuilder("Order Details")
          .addColumn(new ColumnBuilder("ID", DataType.LONG).setAutoNumber(true))
          .addColumn(new ColumnBuilder("AB ID", DataType.LONG))
          .addColumn(new ColumnBuilder("Unit Price", DataType.MONEY))
          .setPrimaryKey("ID")
          .toTable(db);
      details.addRow(null, 1, new BigDecimal("12.50"));
      details.addRow(null, 2, new BigDecimal("3.25"));
      new RelationshipBuilder("A B", "Order Details").addColumns("ID", "AB ID")
          .setReferentialIntegrity().setName("ABDetails").toRelationship(db);
    }
  }
}
