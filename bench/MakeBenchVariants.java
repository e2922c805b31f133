// Writes variants of the benchmark database (the Bench table of
// ../shared/tools/jackcess/MakeBenchDb, the same deterministic rows) for the
// synchronize and several-tables benchmarks of targets.sh:
//   java MakeBenchVariants OUT.accdb ROWS [--change=all|every:K] [--tables=N]
// --change=all       every row's Name is "changed-<i>" instead of "name-<i>"
// --change=every:K   only the rows whose ID is a multiple of K are changed so
// --tables=N         N tables Bench1..BenchN of ROWS rows each (no relations)
// Compile and run with jackcess.jar, commons-lang3 and commons-logging on the
// classpath (see ../shared/tools/jackcess/README.md).
import com.healthmarketscience.jackcess.*;
import java.io.File;
import java.math.BigDecimal;
import java.time.LocalDateTime;
import java.util.*;

public class MakeBenchVariants {
    public static void main(String[] args) throws Exception {
        if (args.length < 2) {
            System.err.println("usage: MakeBenchVariants OUT.mdb|OUT.accdb ROWS [--change=all|every:K] [--tables=N]");
            System.exit(2);
        }
        File out = new File(args[0]);
        int rows = Integer.parseInt(args[1]);
        long changeEvery = 0; // 0: no row changed, 1: every row
        int tables = 0;       // 0: one table named Bench
        for (int a = 2; a < args.length; ++a) {
            if (args[a].equals("--change=all")) {
                changeEvery = 1;
            } else if (args[a].startsWith("--change=every:")) {
                changeEvery = Long.parseLong(args[a].substring("--change=every:".length()));
            } else if (args[a].startsWith("--tables=")) {
                tables = Integer.parseInt(args[a].substring("--tables=".length()));
            } else {
                throw new IllegalArgumentException("unknown option " + args[a]);
            }
        }
        Database.FileFormat fmt = args[0].endsWith(".accdb") ? Database.FileFormat.V2010 : Database.FileFormat.V2000;
        out.delete();
        try (Database db = new DatabaseBuilder(out).setFileFormat(fmt).create()) {
            if (tables == 0) {
                fill(newTable(db, "Bench"), rows, changeEvery);
            } else {
                for (int t = 1; t <= tables; ++t) fill(newTable(db, "Bench" + t), rows, changeEvery);
            }
        }
    }

    static Table newTable(Database db, String name) throws Exception {
        return new TableBuilder(name)
            .addColumn(new ColumnBuilder("ID", DataType.LONG).setAutoNumber(true))
            .addColumn(new ColumnBuilder("Name", DataType.TEXT).setLengthInUnits(50))
            .addColumn(new ColumnBuilder("Amount", DataType.MONEY))
            .addColumn(new ColumnBuilder("Qty", DataType.LONG))
            .addColumn(new ColumnBuilder("Ratio", DataType.DOUBLE))
            .addColumn(new ColumnBuilder("Created", DataType.SHORT_DATE_TIME))
            .addColumn(new ColumnBuilder("Flag", DataType.BOOLEAN))
            .addColumn(new ColumnBuilder("Price", DataType.NUMERIC).setPrecision(18).setScale(4))
            .addColumn(new ColumnBuilder("Notes", DataType.MEMO))
            .addIndex(new IndexBuilder(IndexBuilder.PRIMARY_KEY_NAME).addColumns("ID").setPrimaryKey())
            .toTable(db);
    }

    // The same sequence of values as MakeBenchDb (same seed, same draws in
    // the same order), so an unchanged row is identical to its row there.
    static void fill(Table t, int rows, long changeEvery) throws Exception {
        Random r = new Random(42);
        LocalDateTime base = LocalDateTime.of(2000, 1, 1, 0, 0);
        List<Object[]> batch = new ArrayList<>();
        for (int i = 0; i < rows; ++i) {
            String notes = (i % 10 == 0) ? null : "note " + i + " " + "x".repeat(r.nextInt(200));
            long id = i + 1; // the AutoNumber of this row
            boolean changed = changeEvery > 0 && id % changeEvery == 0;
            batch.add(new Object[] {
                Column.AUTO_NUMBER, (changed ? "changed-" : "name-") + i,
                new BigDecimal(r.nextInt(1000000)).movePointLeft(2), r.nextInt(), r.nextDouble() * 1000,
                base.plusMinutes(r.nextInt(10000000)), (i & 1) == 0,
                new BigDecimal(r.nextLong() % 100000000000L).movePointLeft(4), notes});
            if (batch.size() == 5000) { t.addRows(batch); batch.clear(); }
        }
        t.addRows(batch);
    }
}
