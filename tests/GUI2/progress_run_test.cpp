// The progress page and the error dialogs, offscreen: the position formula
// and the texts, the two error dialogs' results and seams, and runs driven
// through the progress and finish pages: errors in the data answered with
// Continue and "do not show again" or with Abort, and Cancel in the middle
// of a large table converted into the embedded engine, whose committed rows
// a second session then counts.
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <chrono>
#include <cstdlib>

#include "../driver/memory_databases.h"
#include "GUI2/dlg_error_continue.h"
#include "GUI2/dlg_error_ex.h"
#include "GUI2/gui_finish_page.h"
#include "GUI2/progress_page.h"
#include "GUI2/progress_status.h"
#include "GUI2/sel_tables_page.h"
#include "GUI2/set_query_dlg.h"
#include "GUI2/wizard_app.h"
#include "GUI2/wizard_error_reporter.h"
#include "GUI2/wizard_ids.h"
#include "ORA/oci/oci_library.h"
#include "TK/tk_desktop.h"
#include "TK/tk_text.h"
#include "common/init_conversion.h"
#include "pages_test_support.h"
#include "verify/verify_result.h"

namespace {

mem_table two_columns(int rows, const std::wstring& bad_at_every = L"") {
  mem_table t;
  t.columns = {{L"ID", VT_BSTR, 10}, {L"Name", VT_BSTR, 20}};
  t.indexes = {udb_index{L"PrimaryKey", true, true, {L"ID"}}};
  for (int i = 1; i <= rows; ++i) t.rows.push_back({std::to_wstring(i), L"name " + bad_at_every});
  return t;
}

QStringList items_of(const QListWidget* list) {
  QStringList out;
  for (int i = 0; i < list->count(); ++i) out << list->item(i)->text();
  return out;
}

// Counts through a session of its own, which sees only committed rows.
int32_t committed_count(const std::wstring& sql) {
  const oci_functions& oci = oci_api();
  OCIEnv* env = nullptr;
  OCIError* err = nullptr;
  OCISvcCtx* svc = nullptr;
  oci.OCIEnvCreate(&env, OCI_UTF16, nullptr, nullptr, nullptr, nullptr, 0, nullptr);
  void* h = nullptr;
  oci.OCIHandleAlloc(env, &h, OCI_HTYPE_ERROR, 0, nullptr);
  err = static_cast<OCIError*>(h);
  const std::u16string u = u"scott", p = u"tiger", d = u"//localhost:1521/ORCL";
  int32_t value = -1;
  if (oci.OCILogon(env, err, &svc, reinterpret_cast<const OraText*>(u.c_str()), 10,
                   reinterpret_cast<const OraText*>(p.c_str()), 10,
                   reinterpret_cast<const OraText*>(d.c_str()),
                   static_cast<ub4>(d.size() * 2)) == OCI_SUCCESS) {
    oci.OCIHandleAlloc(env, &h, OCI_HTYPE_STMT, 0, nullptr);
    OCIStmt* stmt = static_cast<OCIStmt*>(h);
    const std::u16string text = tk_wide_to_utf16(sql);
    sb2 ind = 0;
    OCIDefine* def = nullptr;
    if (oci.OCIStmtPrepare(stmt, err, reinterpret_cast<const OraText*>(text.c_str()),
                           static_cast<ub4>(text.size() * 2), OCI_NTV_SYNTAX, OCI_DEFAULT) != 0 ||
        oci.OCIDefineByPos(stmt, &def, err, 1, &value, sizeof value, SQLT_INT, &ind, nullptr,
                           nullptr, OCI_DEFAULT) != 0 ||
        oci.OCIStmtExecute(svc, stmt, err, 1, 0, nullptr, nullptr, OCI_DEFAULT) != 0)
      value = -1;
    oci.OCIHandleFree(stmt, OCI_HTYPE_STMT);
    oci.OCILogoff(svc, err);
  }
  oci.OCIHandleFree(err, OCI_HTYPE_ERROR);
  oci.OCIHandleFree(env, OCI_HTYPE_ENV);
  return value;
}

}  // namespace

class progress_run_test : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<wizard_world> world_;
  mem_source_setup source_;
  event_log events_;
  mem_destination* dest_ = nullptr;
  std::unique_ptr<wizard_shell> shell_;

  void use_memory_destination() {
    auto dest = std::make_unique<mem_destination>(events_);
    dest_ = dest.get();
    world_->conv().oracle.set_destination(std::move(dest));
  }
  // Shows a sheet of the progress and finish pages: the run starts at once.
  void start_run(const std::vector<std::wstring>& tables) {
    world_->conv().selected_tables = tables;
    shell_ = std::make_unique<wizard_shell>(wiz_sheet_title());
    shell_->add_page(new progress_page);
    shell_->add_page(new gui_finish_page);
    shell_->show();
  }
  progress_page* progress() {
    return qobject_cast<progress_page*>(shell_->page(wiz::PAGE_PROGRESS));
  }
  QString finish_text(int id) {
    QWizardPage* finish = shell_->page(wiz::PAGE_FINISH);
    if (auto* label = finish->findChild<QLabel*>(QString::number(id))) return label->text();
    return finish->findChild<QPlainTextEdit*>(QString::number(id))->toPlainText();
  }

 private slots:
  void init() {
    world_ = std::make_unique<wizard_world>();
    wiz_register_services();
    world_->conv().set_source_name(L"/data/sales.mdb");
    world_->conv().set_mode(UDB_MODE_OVERWRITE);
    world_->conv().uppercase = false;
    world_->conv().set_source_engine_factory(
        [this] { return std::make_unique<mem_source_engine>(source_, events_); });
    source_ = {};
  }
  void cleanup() {
    shell_.reset();
    world_.reset();
    tk_set_clipboard_handler({});
    tk_set_mail_handler({});
    init_conversion::set_start_hook({});
  }

  void position_formula_and_texts() {
    QCOMPARE(progress_position(4, 2, 200, 50), 56u);
    QCOMPARE(progress_position(0, 0, 0, 0), 0u);
    QCOMPARE(progress_position(0, 3, 10, 5), 0u);
    QCOMPARE(progress_position(3, 1, 0, 0), 33u);
    QCOMPARE(progress_position(1, 0, 50'000'000, 49'999'999), 99u);  // no 32-bit wrap
    QCOMPARE(progress_position(2, 2, 5, 9), 100u);                   // more records than announced
    QCOMPARE(progress_status_text(L"Orders"), L"Processing table 'Orders'");
    QCOMPARE(progress_status_text(L""), L"");
    QCOMPARE(progress_record_text(200'000, 12'345), L"record 12,345 of 200,000");
    QCOMPARE(progress_record_text(0, 0), L"");
    QCOMPARE(progress_group_digits(999), L"999");
    QCOMPARE(progress_group_digits(-1'234'567), L"-1,234,567");
    QCOMPARE(progress_elapsed_text(std::chrono::seconds(3723)), L"Elapsed time: 1:02:03");
  }

  void continue_dialog_answers() {
    dlg_error_continue dialog("Orders, record #3: bad value");
    QCOMPARE(dialog.findChild<QLabel*>(QString::number(wiz::ERROR_MESSAGE))->text(),
             QString("Orders, record #3: bad value"));
    QVERIFY(dialog.findChild<QPushButton*>(QString::number(dlg_error_continue::RESULT_CONTINUE))
                ->isDefault());
    dialog.findChild<QCheckBox*>(QString::number(wiz::ERROR_DO_NOT_SHOW_AGAIN))->click();
    QVERIFY(dialog.do_not_show_again());
    dialog.findChild<QPushButton*>(QString::number(dlg_error_continue::RESULT_ABORT))->click();
    QCOMPARE(dialog.QDialog::result(), int(dlg_error_continue::RESULT_ABORT));
    dialog.findChild<QPushButton*>(QString::number(dlg_error_continue::RESULT_CONTINUE))->click();
    QCOMPARE(dialog.QDialog::result(), int(dlg_error_continue::RESULT_CONTINUE));
    dialog.reject();  // Escape
    QCOMPARE(dialog.QDialog::result(), int(dlg_error_continue::RESULT_CONTINUE));

    // Once Cancel has asked the run to stop, a data error does not ask.
    wizard_error_reporter reporter;
    world_->conv().request_stop();
    QCOMPARE(reporter.ask_continue("Orders, record #4: bad value"), error_reporter::answer::go_on);
    world_->conv().clear_stop();
    QVERIFY(world_->log().continue_texts.empty());
  }

  void internal_error_dialog_copies_and_reports() {
    std::wstring copied;
    tk_bug_report sent;
    tk_set_clipboard_handler([&](const std::wstring& text) {
      copied = text;
      return 0;
    });
    tk_set_mail_handler([&](const tk_bug_report& report) {
      sent = report;
      return 0;
    });
    dlg_error_ex dialog(QString("Internal error at ora_table.cpp:12 ✓"));
    QVERIFY(dialog.findChild<QPushButton*>(QString::number(dlg_error_ex::RESULT_SEND_BUG))
                ->isDefault());
    dialog.findChild<QPushButton*>(QString::number(dlg_error_ex::RESULT_COPY))->click();
    QCOMPARE(dialog.QDialog::result(), int(dlg_error_ex::RESULT_COPY));
    QCOMPARE(copied, L"Internal error at ora_table.cpp:12 ✓");
    dialog.findChild<QPushButton*>(QString::number(dlg_error_ex::RESULT_SEND_BUG))->click();
    QCOMPARE(dialog.QDialog::result(), int(dlg_error_ex::RESULT_SEND_BUG));
    QCOMPARE(sent.subject, std::string("Bug report on "));  // no shell yet: no title
    QCOMPARE(sent.note, std::string("Internal error at ora_table.cpp:12 ✓"));
    dialog.findChild<QPushButton*>(QString::number(dlg_error_ex::RESULT_OK))->click();
    QCOMPARE(dialog.QDialog::result(), int(dlg_error_ex::RESULT_OK));
  }

  void continue_without_asking_again() {
    use_memory_destination();
    dest_->bad_value = L"bad";
    mem_table t = two_columns(5);
    t.rows[1][1] = L"bad";
    t.rows[3][1] = L"bad";
    source_.tables.emplace_back(L"Orders", t);
    world_->log().continue_answers.push_back({false, true});
    start_run({L"Orders"});
    QTRY_COMPARE_WITH_TIMEOUT(shell_->currentId(), int(wiz::PAGE_FINISH), 10000);
    QCOMPARE(world_->log().continue_texts.size(), size_t(1));
    QVERIFY(world_->log().continue_texts[0].startsWith("Orders, record #2: "));
    QCOMPARE(dest_->table(L"Orders").rows.size(), size_t(3));
    // Both errors are listed on the finish page.
    QVERIFY(finish_text(wiz::FINISH_RESULT).startsWith("There were some errors"));
    QVERIFY(finish_text(wiz::FINISH_ERRORS).contains("Orders, record #2: "));
    QVERIFY(finish_text(wiz::FINISH_ERRORS).contains("Orders, record #4: "));
  }

  void finish_page_lists_each_table_with_its_counts() {
    use_memory_destination();
    dest_->bad_value = L"bad";
    dest_->failing_creates.insert(L"Broken");
    mem_table t = two_columns(5);
    t.rows[1][1] = L"bad";
    t.rows[3][1] = L"bad";
    source_.tables.emplace_back(L"Broken", two_columns(2));
    source_.tables.emplace_back(L"Orders", t);
    world_->log().continue_answers.push_back({false, true});
    start_run({L"Broken", L"Orders"});
    QTRY_COMPARE_WITH_TIMEOUT(shell_->currentId(), int(wiz::PAGE_FINISH), 10000);
    QCOMPARE(finish_text(wiz::FINISH_RESULT),
             QString("There were some errors while converting the database: 1 table not "
                     "converted, 2 records refused.\nClick 'Finish' to exit the wizard."));
    QCOMPARE(finish_text(wiz::FINISH_TITLE), QString("Conversion is Completed"));
    QWizardPage* finish = shell_->page(wiz::PAGE_FINISH);
    auto* lines = finish->findChild<QTableWidget*>("outcomes");
    QCOMPARE(lines->rowCount(), 2);
    QVERIFY(lines->isColumnHidden(4));  // rows in Oracle: stopped runs only
    auto cells = [&](int r) {
      QStringList out;
      for (int c : {0, 1, 2, 3, 6}) out << lines->item(r, c)->text();
      return out;
    };
    QVERIFY(lines->item(0, 7)->text().startsWith("failed: "));
    QCOMPARE(cells(1), QStringList({"Orders", "Orders", "3", "2", ""}));
    QCOMPARE(lines->item(1, 7)->text(), QString("converted, 2 records refused"));
    const QString summary = finish->findChild<QLabel*>("summary")->text();
    QVERIFY2(summary.startsWith("1 table: 3 rows written, 2 refused. Elapsed time: "),
             qPrintable(summary));
    QCOMPARE(world_->conv().outcomes.at(1).rows_written(), uint64_t(3));
  }

  void verify_table_keeps_counts_in_view_beside_a_long_name() {
    gui_finish_page page;
    page.resize(640, 480);
    page.show();
    verify_result result;
    verify_table_result t;
    t.table = std::string(120, 'N');
    t.oracle_table = "N_TRUNCATED_TO_THIRTY_CHARS_X";
    t.access_rows = 12345;
    t.oracle_rows = 12345;
    result.tables = {t, t};
    result.not_carried_over.push_back({"query", "Orders by month", "crosstab query"});
    page.show_verify_result(result);
    auto* table = page.findChild<QTableWidget*>("verify_table");
    QVERIFY(table->isVisible());
    const int visible = table->viewport()->width();
    // The name is held to a readable width and elided; the counts and the
    // content stand inside the visible width.
    QVERIFY(table->columnWidth(0) <= table->fontMetrics().averageCharWidth() * 40);
    QVERIFY2(table->columnViewportPosition(4) + table->columnWidth(4) <= visible,
             qPrintable(QString("content ends at %1 of %2")
                            .arg(table->columnViewportPosition(4) + table->columnWidth(4))
                            .arg(visible)));
    QCOMPARE(table->item(0, 1)->text(), QString("N_TRUNCATED_TO_THIRTY_CHARS_X"));
    QVERIFY(table->item(0, 0)->toolTip().contains(QString(120, 'N')));
    QVERIFY(table->rowHeight(0) < 2 * table->fontMetrics().height());
    QCOMPARE(page.findChild<QTableWidget*>("not_carried_over")->rowCount(), 1);
    QVERIFY(page.findChild<QLabel*>("verify_status")->text().startsWith("2 tables: 2 equal"));
    // Save Report writes what tarvel-verify writes.
    QTemporaryDir dir;
    QVERIFY(page.save_report(dir.filePath("r.json")));
    QFile json(dir.filePath("r.json"));
    QVERIFY(json.open(QIODevice::ReadOnly));
    QCOMPARE(json.readAll().toStdString(), verify_format_json(result));
    QVERIFY(page.save_report(dir.filePath("r.txt")));
    QFile text(dir.filePath("r.txt"));
    QVERIFY(text.open(QIODevice::ReadOnly));
    QCOMPARE(text.readAll().toStdString(), verify_format_text(result));
  }

  void abort_ends_on_the_finish_page() {
    use_memory_destination();
    dest_->bad_value = L"bad";
    mem_table t = two_columns(5);
    t.rows[1][1] = L"bad";
    source_.tables.emplace_back(L"A", t);
    source_.tables.emplace_back(L"B", two_columns(2));
    world_->log().continue_answers.push_back({true, false});
    start_run({L"A", L"B"});
    QTRY_COMPARE_WITH_TIMEOUT(shell_->currentId(), int(wiz::PAGE_FINISH), 10000);
    QCOMPARE(dest_->table(L"A").rows.size(), size_t(1));  // the rows before the error
    QVERIFY(!dest_->has(L"B"));
    QVERIFY(finish_text(wiz::FINISH_ERRORS).contains("A, record #2: "));
    QVERIFY(!progress()->running());
  }

  void cancel_in_the_middle_of_a_large_table() {
    QTemporaryDir oracle_dir;
    setenv("TARVEL_OCI_LIB", TARVEL_BIN "/liboraemb.so", 1);
    setenv("TARVEL_ORAEMB_DIR", oracle_dir.path().toUtf8().constData(), 1);
    tarvel_convertor& conv = world_->conv();
    conv.oracle.store_oracle_settings(L"localhost", L"scott", L"tiger", L"1521");
    conv.oracle.connect_oracle_server(L"ORCL");
    const int rows = 100'000;
    source_.tables.emplace_back(L"Big", two_columns(rows));
    start_run({L"Big"});
    QTRY_VERIFY_WITH_TIMEOUT(conv.current_record_index.load() >= 500, 20000);
    QVERIFY2(progress()->running(), "the table was converted before Cancel");
    QTest::qWait(250);  // a tick of the progress timer
    QVERIFY(shell_->page(wiz::PAGE_PROGRESS)
                ->findChild<QProgressBar*>(QString::number(wiz::PROGRESS_BAR))
                ->value() < 100);
    QCOMPARE(shell_->page(wiz::PAGE_PROGRESS)
                 ->findChild<QLabel*>(QString::number(wiz::PROGRESS_STATUS))
                 ->text(),
             QString("Processing table 'Big'"));

    // A pause holds the copy before its next record.
    conv.set_paused(true);
    int32_t held = -1;
    auto settled = [&] {  // the record being written when the pause came is done
      held = conv.current_record_index.load();
      QTest::qWait(100);
      return conv.current_record_index.load() == held;
    };
    QTRY_VERIFY_WITH_TIMEOUT(settled(), 5000);
    QTest::qWait(300);
    QCOMPARE(conv.current_record_index.load(), held);
    conv.set_paused(false);

    // No to the question: the run goes on.
    world_->log().answers.push_back(false);
    shell_->reject();
    QVERIFY(shell_->isVisible());
    QCOMPARE(shell_->currentId(), int(wiz::PAGE_PROGRESS));
    QVERIFY(!conv.paused());
    const int32_t before = conv.current_record_index.load();
    QTRY_VERIFY_WITH_TIMEOUT(conv.current_record_index.load() > before, 5000);

    world_->log().answers.push_back(true);  // "Stop the conversion?"
    QElapsedTimer clock;
    clock.start();
    shell_->reject();
    const qint64 ms = clock.elapsed();
    qInfo("Cancel ended the worker after %lld ms at record %d of %d", ms,
          conv.current_record_index.load(), rows);
    QVERIFY(ms < 1000);
    const QString question = world_->log().boxes.back().text;
    QVERIFY2(question.startsWith("Stop the conversion?") && question.contains("Merge"),
             qPrintable(question));
    QVERIFY(!progress()->running());
    QVERIFY(conv.is_finished());
    QVERIFY(!conv.stop_requested());
    const int32_t written = conv.current_record_index.load();
    QVERIFY(written > 0 && written < rows);
    QCOMPARE(committed_count(L"SELECT COUNT(*) FROM \"Big\""), written);

    // The wizard stays open on the finish page of a stopped run, which
    // shows the rows the table holds in Oracle.
    QVERIFY(shell_->isVisible());
    QCOMPARE(shell_->currentId(), int(wiz::PAGE_FINISH));
    QCOMPARE(finish_text(wiz::FINISH_TITLE), QString("Conversion is Stopped"));
    QVERIFY2(finish_text(wiz::FINISH_RESULT)
                 .startsWith(
                     QString("The conversion was stopped in table 'Big' after %1 of %2 records.\n")
                         .arg(written)
                         .arg(rows)),
             qPrintable(finish_text(wiz::FINISH_RESULT)));
    QVERIFY(finish_text(wiz::FINISH_RESULT).contains("Merge mode"));
    auto* lines = shell_->page(wiz::PAGE_FINISH)->findChild<QTableWidget*>("outcomes");
    QCOMPARE(lines->rowCount(), 1);
    QVERIFY(!lines->isColumnHidden(4));
    QCOMPARE(lines->item(0, 0)->text(), QString("Big"));
    QCOMPARE(lines->item(0, 4)->text(), QString::number(written));
    QCOMPARE(lines->item(0, 7)->text(), QString("stopped"));
  }

  // Welcome to finish: the Oracle connection, the security and source
  // pages, a table and a query selected, the run, and the result read back
  // through a session of its own.
  void whole_run_through_every_page() {
    QTemporaryDir oracle_dir;
    setenv("TARVEL_OCI_LIB", TARVEL_BIN "/liboraemb.so", 1);
    setenv("TARVEL_ORAEMB_DIR", oracle_dir.path().toUtf8().constData(), 1);
    tarvel_convertor& conv = world_->conv();
    conv.set_source_engine_factory(nullptr);
    conv.uppercase = true;
    shell_ = std::make_unique<wizard_shell>(wiz_sheet_title());
    wiz_add_pages(*shell_, false);
    shell_->show();
    QCOMPARE(shell_->currentId(), int(wiz::PAGE_WELCOME));
    shell_->next();
    auto fill = [&](int id, const QString& text) {
      shell_->currentPage()->findChild<QLineEdit*>(QString::number(id))->setText(text);
    };
    fill(wiz::ORACLE_SERVER, "localhost");
    fill(wiz::ORACLE_DATABASE, "ORCL");
    fill(wiz::ORACLE_PORT, "1521");
    fill(wiz::ORACLE_USER, "scott");
    fill(wiz::ORACLE_PASSWORD, "tiger");
    shell_->next();
    QTRY_COMPARE_WITH_TIMEOUT(shell_->currentId(), int(wiz::PAGE_SECURITY), 10000);
    shell_->next();
    QCOMPARE(shell_->currentId(), int(wiz::PAGE_SOURCE));
    fill(wiz::SOURCE_PATH, QStringLiteral(TARVEL_TEST_DATA "/access/sql/sqlTest.mdb"));
    shell_->next();
    QCOMPARE(shell_->currentId(), int(wiz::PAGE_TABLES));

    auto* tables = qobject_cast<sel_tables_page*>(shell_->currentPage());
    auto* available = tables->findChild<QListWidget*>(QString::number(wiz::TABLES_AVAILABLE));
    QCOMPARE(items_of(available), QStringList({"Customers", "Order Details", "Orders"}));
    available->setCurrentRow(0);
    tables->on_add();
    dialog_script<set_query_dlg> script;
    script.then([](set_query_dlg* d) {
      d->findChild<QLineEdit*>(QString::number(wiz::QUERY_NAME))->setText("Customer_names");
      d->findChild<QPlainTextEdit*>(QString::number(wiz::QUERY_TEXT))
          ->setPlainText("SELECT [Company Name], City FROM Customers");
      d->findChild<QPushButton*>(QString::number(wiz::BTN_OK))->click();
    });
    tables->on_add_query();
    shell_->next();
    QCOMPARE(shell_->currentId(), int(wiz::PAGE_PROGRESS));
    QTRY_COMPARE_WITH_TIMEOUT(shell_->currentId(), int(wiz::PAGE_FINISH), 30000);
    QVERIFY2(finish_text(wiz::FINISH_RESULT).startsWith("Wizard has migrated"),
             qPrintable(finish_text(wiz::FINISH_RESULT) + finish_text(wiz::FINISH_ERRORS)));

    const int32_t customers = committed_count(L"SELECT COUNT(*) FROM CUSTOMERS");
    QVERIFY(customers > 0);
    QCOMPARE(committed_count(L"SELECT COUNT(*) FROM USER_TABLES"), 2);
    QCOMPARE(committed_count(L"SELECT COUNT(*) FROM CUSTOMER_NAMES"), customers);
  }
};

QTEST_MAIN(progress_run_test)
#include "progress_run_test.moc"
