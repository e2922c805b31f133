// Writes the test files for complex columns and table order:
//   args[0]: a copy of complexDataTestV2010.accdb to which an attachment with
//            known bytes is added (row "row1", column attach-data);
//   args[1]: a new .accdb with tables "AChild" and "Parent", AChild.ParentID
//            referring to Parent.ID, so that the child sorts first by name.
import com.healthmarketscience.jackcess.*;
import com.healthmarketscience.jackcess.complex.*;
import java.io.File;
import java.nio.file.*;
import java.security.MessageDigest;

public class MakeNewColsDb {
  public static void main(String[] args) throws Exception {
    byte[] data = new byte[3000];
    for (int i = 0; i < data.length; ++i) data[i] = (byte) ((i * 7 + i / 13) & 0xFF);
    try (Database db = DatabaseBuilder.open(new File(args[0]))) {
      Table t = db.getTable("Table1");
      for (Row row : t) {
        if (!"row1".equals(row.getString("id"))) continue;
        ComplexValueForeignKey fk = (ComplexValueForeignKey) row.get("attach-data");
        fk.addAttachment(null, "pattern.bin", "bin", data, (java.time.LocalDateTime) null, null);
      }
      // Print every attachment's length and SHA-256, as Jackcess decodes them.
      for (Row row : t) {
        ComplexValueForeignKey fk = (ComplexValueForeignKey) row.get("attach-data");
        for (Attachment a : fk.getAttachments()) {
          byte[] d = a.getFileData();
          System.out.println(row.getString("id") + " " + a.getFileName() + " " + d.length + " " + hex(MessageDigest.getInstance("SHA-256").digest(d)));
        }
      }
    }
    try (Database db = DatabaseBuilder.create(Database.FileFormat.V2010, new File(args[1]))) {
      Table parent = new TableBuilder("Parent")
          .addColumn(new ColumnBuilder("ID", DataType.LONG))
          .addColumn(new ColumnBuilder("Name", DataType.TEXT))
          .setPrimaryKey("ID").toTable(db);
      Table child = new TableBuilder("AChild")
          .addColumn(new ColumnBuilder("ID", DataType.LONG))
          .addColumn(new ColumnBuilder("ParentID", DataType.LONG))
          .addColumn(new ColumnBuilder("Note", DataType.TEXT))
          .setPrimaryKey("ID").toTable(db);
      new RelationshipBuilder(parent, child).addColumns("ID", "ParentID").setReferentialIntegrity().toRelationship(db);
      parent.addRow(1, "one");
      parent.addRow(2, "two");
      child.addRow(10, 1, "a");
      child.addRow(20, 2, "b");
    }
  }
  static String hex(byte[] b) {
    StringBuilder s = new StringBuilder();
    for (byte x : b) s.append(String.format("%02x", x));
    return s.toString();
  }
}
