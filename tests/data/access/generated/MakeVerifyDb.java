// Writes verifyValues.mdb for the verifier's tests: one table with a column
// of every common type and small values (so that a value can be altered in
// Oracle with plain SQL), column and table properties that no conversion
// carries (validation rules and texts, description, caption, input mask,
// lookup), a table without a primary key holding two equal rows, and a
// relationship with cascading updates. Run with Jackcess:
//   java -cp jackcess.jar:commons-lang3.jar:commons-logging.jar:. MakeVerifyDb DIR
import com.healthmarketscience.jackcess.*;
import java.io.*;
import java.math.BigDecimal;
import java.util.*;

public class MakeVerifyDb {
  static Date date(int y, int mo, int d, int h, int mi, int s) {
    Calendar c = new GregorianCalendar(TimeZone.getTimeZone("UTC"));
    c.clear();
    c.set(y, mo - 1, d, h, mi, s);
    return c.getTime();
  }

  public static void main(String[] args) throws Exception {
    File f = new File(new File(args[0]), "verifyValues.mdb");
    f.delete();
    TimeZone.setDefault(TimeZone.getTimeZone("UTC"));
    try (Database db = new DatabaseBuilder(f).setFileFormat(Database.FileFormat.V2000).create()) {
      // The rules are stored, not checked here.
      db.setEvaluateExpressions(false);
      Table kinds = new TableBuilder("Kinds")
          .addColumn(new ColumnBuilder("ID", DataType.LONG))
          .addColumn(new ColumnBuilder("Txt", DataType.TEXT).setLength(50)
                         .putProperty(PropertyMap.VALIDATION_RULE_PROP, "<> \"forbidden\"")
                         .putProperty(PropertyMap.VALIDATION_TEXT_PROP, "Not the forbidden word")
                         .putProperty(PropertyMap.DESCRIPTION_PROP, "A short text")
                         .putProperty(PropertyMap.CAPTION_PROP, "Text caption")
                         .putProperty(PropertyMap.INPUT_MASK_PROP, ">L<??????"))
          .addColumn(new ColumnBuilder("Memo", DataType.MEMO))
          .addColumn(new ColumnBuilder("Ole", DataType.OLE))
          .addColumn(new ColumnBuilder("Dbl", DataType.DOUBLE))
          .addColumn(new ColumnBuilder("Sng", DataType.FLOAT))
          .addColumn(new ColumnBuilder("Cur", DataType.MONEY))
          .addColumn(new ColumnBuilder("Dec", DataType.NUMERIC).setPrecision(18).setScale(4))
          .addColumn(new ColumnBuilder("Dt", DataType.SHORT_DATE_TIME))
          .addColumn(new ColumnBuilder("YN", DataType.BOOLEAN))
          .addColumn(new ColumnBuilder("Gd", DataType.GUID))
          .addColumn(new ColumnBuilder("Kind", DataType.LONG)
                         .putProperty("DisplayControl", DataType.INT, (short) 111)
                         .putProperty("RowSource", DataType.MEMO, "SELECT ID FROM NoKey"))
          .setPrimaryKey("ID")
          .putProperty(PropertyMap.VALIDATION_RULE_PROP, "[ID] > 0")
          .putProperty(PropertyMap.VALIDATION_TEXT_PROP, "ID is positive")
          .toTable(db);
      for (int i = 1; i <= 20; ++i) {
        byte[] ole = new byte[32];
        for (int k = 0; k < ole.length; ++k) ole[k] = (byte) (i * 31 + k * 7);
        kinds.addRow(i, "Name" + i, "Memo text number " + i + " \u00e9\u4e2d",
            ole, 1234.5678901234567 * i, 0.1f * i, new BigDecimal("12345.6789").multiply(new BigDecimal(i)),
            new BigDecimal("-98765432109876.5432").add(new BigDecimal(i)),
            date(1990 + i, 1 + i % 12, 1 + i, i, 2 * i, 3 * i),
            i % 2 == 0, String.format("{6F9619FF-8B86-D011-B42D-00C04FC964%02X}", i), i % 3);
      }
      kinds.addRow(21, "", "", new byte[0], null, null, null, null, null, false, null, null);
      kinds.addRow(22, null, null, null, null, null, null, null, null, true, null, null);

      Table nokey = new TableBuilder("NoKey")
          .addColumn(new ColumnBuilder("ID", DataType.LONG))
          .addColumn(new ColumnBuilder("Label", DataType.TEXT).setLength(20))
          .toTable(db);
      nokey.addRow(0, "zero");
      nokey.addRow(1, "one");
      nokey.addRow(1, "one");
      nokey.addRow(2, "two");

      Table child = new TableBuilder("Child")
          .addColumn(new ColumnBuilder("CID", DataType.LONG))
          .addColumn(new ColumnBuilder("KindID", DataType.LONG))
          .setPrimaryKey("CID")
          .toTable(db);
      child.addRow(1, 1);
      child.addRow(2, 2);
      new RelationshipBuilder(kinds, child).addColumns("ID", "KindID")
          .setReferentialIntegrity().setCascadeUpdates().toRelationship(db);
    }
  }
}
