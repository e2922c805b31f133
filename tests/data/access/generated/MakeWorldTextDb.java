// Writes worldText.mdb for the conversion and verifier tests: short texts
// and memos in Cyrillic, Greek, Chinese and Japanese, with emoji (surrogate
// pairs), beside plain Latin ones, long memos of each script among them.
//   java -cp jackcess.jar:commons-lang3.jar:commons-logging.jar:. MakeWorldTextDb DIR
import com.healthmarketscience.jackcess.*;
import java.io.*;

public class MakeWorldTextDb {
  public static void main(String[] args) throws Exception {
    File f = new File(new File(args[0]), "worldText.mdb");
    f.delete();
    try (Database db = new DatabaseBuilder(f).setFileFormat(Database.FileFormat.V2000).create()) {
      Table t = new TableBuilder("Texts")
          .addColumn(new ColumnBuilder("ID", DataType.LONG))
          .addColumn(new ColumnBuilder("Title", DataType.TEXT).setLengthInUnits(40))
          .addColumn(new ColumnBuilder("Notes", DataType.MEMO))
          .setPrimaryKey("ID")
          .toTable(db);
      String[] samples = {
          "Plain Latin text, café déjà vu",
          "Съешь же ещё этих мягких французских булок",
          "Ξεσκεπάζω την ψυχοφθόρα βδελυγμία",
          "北京市朝阳区 東京都新宿区 こんにちは",
          "Emoji 😀🎉👍 and 𝄞 music",
          "Mixed: Ж Ω 中 😀 é"};
      int id = 1;
      for (String s : samples) {
        t.addRow(id, s.length() > 40 ? s.substring(0, 40) : s, s);
        ++id;
      }
      // Long memos: thousands of characters of each script.
      for (String s : samples) {
        StringBuilder big = new StringBuilder();
        while (big.length() < 9000) big.append(s).append(' ');
        t.addRow(id, "long " + id, big.toString());
        ++id;
      }
      t.addRow(id, null, null);
    }
  }
}
