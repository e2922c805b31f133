// Renders the table-selection page, the query dialog, the progress page in
// the middle of a large table, both error dialogs and the finish page with
// errors into PNG files of a folder, for the README. Run it on a real display
// (scripts/wizard-pages-screenshots.sh starts it under Xvfb). Not a test.
#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QListWidget>
#include <QMessageBox>
#include <QScreen>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <atomic>
#include <cstdio>

#include "../driver/memory_databases.h"
#include "GUI2/dlg_error_continue.h"
#include "GUI2/dlg_error_ex.h"
#include "GUI2/gui_finish_page.h"
#include "GUI2/progress_page.h"
#include "GUI2/sel_tables_page.h"
#include "GUI2/set_query_dlg.h"
#include "GUI2/wizard_app.h"
#include "GUI2/wizard_error_reporter.h"
#include "GUI2/wizard_ids.h"
#include "GUI2/wizard_presenter.h"
#include "GUI2/wizard_shell.h"
#include "TK/tk_desktop.h"
#include "common/error_handler.h"
#include "common/error_messages.h"
#include "common/tarvel_convertor.h"

namespace {

QString g_folder;
QString g_suffix;  // before ".png": "-2x" for the pictures at 200 %

void settle(int ms = 150) {
  QEventLoop loop;
  QTimer::singleShot(ms, &loop, &QEventLoop::quit);
  loop.exec();
}

QString picture_path(const char* name) {
  return g_folder + QLatin1Char('/') + QLatin1String(name) + g_suffix + QStringLiteral(".png");
}

void save(QWidget* widget, const char* name) {
  settle();
  const QString path = picture_path(name);
  if (!widget->grab().save(path)) std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
  std::printf("%s\n", qPrintable(path));
}

// The screen around a window, with the pop-ups over it (a drop-down's list
// is a window of its own, which grab() leaves out).
void save_screen(QWidget* window, QWidget* popup, const char* name) {
  settle();
  QRect area = window->frameGeometry();
  if (popup) area = area.united(popup->frameGeometry());
  const QString path = picture_path(name);
  const QPixmap shot =
      window->screen()->grabWindow(0, area.x(), area.y(), area.width(), area.height());
  if (!shot.save(path)) std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
  std::printf("%s\n", qPrintable(path));
}

mem_table table(int rows, const std::wstring& name_prefix = L"name ") {
  mem_table t;
  t.columns = {{L"ID", VT_BSTR, 10}, {L"Name", VT_BSTR, 40}};
  for (int i = 1; i <= rows; ++i)
    t.rows.push_back({std::to_wstring(i), name_prefix + std::to_wstring(i)});
  return t;
}

// Answers the continue dialog with Continue and "do not show again".
class quiet_presenter : public qt_wizard_presenter {
 public:
  continue_answer ask_continue(QWidget*, const QString&, const QString&) override {
    return {false, true};
  }
};

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  g_folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(".");
  g_suffix = argc > 2 ? QString::fromLocal8Bit(argv[2]) : QString();
  QDir().mkpath(g_folder);
  QTemporaryDir settings;
  qputenv("XDG_CONFIG_HOME", settings.path().toUtf8());

  error_handler handler(kOracleErrorMessageCount, kOracleErrorMessages,
                        std::make_unique<wizard_error_reporter>());
  handler.load_err_map(kDaoErrorMessageCount, kDaoErrorMessages);
  wiz_register_services();
  wizard_shell::set_presenter(std::make_unique<quiet_presenter>());
  // The source and the destination's log outlive the converter.
  mem_source_setup source;
  event_log events;
  tarvel_convertor conv(tarvel_front_end::wizard);
  conv.set_source_name(L"/home/ann/Northwind.mdb");
  conv.uppercase = false;
  conv.set_mode(UDB_MODE_OVERWRITE);

  for (const wchar_t* name : {L"Categories", L"Customers", L"Employees", L"Order Details",
                              L"Orders", L"Products", L"Shippers", L"Suppliers"})
    source.tables.emplace_back(name, table(3));
  // The large table: 20,000 records; the run pauses at record 6,789 for
  // the progress page's picture.
  source.tables.emplace_back(L"Invoice Lines", table(20'000));
  mem_table with_errors = table(40);
  with_errors.rows[6][1] = L"bad";
  with_errors.rows[17][1] = L"bad";
  source.tables.emplace_back(L"Accounts", with_errors);
  conv.set_source_engine_factory(
      [&] { return std::make_unique<mem_source_engine>(source, events); });
  auto dest = std::make_unique<mem_destination>(events);
  mem_destination* destination = dest.get();
  destination->bad_value = L"bad";
  std::atomic<bool> pause{true};
  destination->on_append = [&](const udb_record&) {
    if (conv.current_table_name() == L"Invoice Lines" && conv.current_record_index == 6'789)
      while (pause.load()) QThread::msleep(10);
  };
  conv.oracle.set_destination(std::move(dest));

  conv.selected_tables = {L"Customers", L"Orders"};
  conv.queries = {{L"Customers", L""},
                  {L"Orders", L""},
                  {L"Large orders", L"SELECT * FROM Orders WHERE Amount > 1000"}};

  wizard_shell shell(wiz_sheet_title());
  shell.add_page(new sel_tables_page);
  shell.add_page(new progress_page);
  shell.add_page(new gui_finish_page);
  shell.resize(720, 500);
  shell.show();
  settle(400);
  save(&shell, "wizard-tables");

  // The saved queries of a source as the dialog offers them; the greyed one
  // asks for parameters.
  std::vector<source_saved_query> saved(4);
  saved[0] = {L"Current Product List", L"SELECT * FROM [Current Product List]", true, L""};
  saved[1] = {L"Invoices by Date", L"SELECT * FROM [Invoices by Date]", false,
              L"Too few parameters. Expected 2."};
  saved[2] = {L"Quarterly Orders", L"SELECT * FROM [Quarterly Orders]", true, L""};
  saved[3] = {L"Sales by Category", L"SELECT * FROM [Sales by Category]", true, L""};
  set_query_dlg query(L"Large orders",
                      L"SELECT * FROM Orders\nWHERE Amount > 1000\nORDER BY OrderDate", &shell,
                      saved);
  query.show();
  save(&query, "wizard-query");
  auto* box = query.findChild<QComboBox*>(QString::number(wiz::QUERY_SAVED_QUERIES));
  box->showPopup();
  settle(300);
  save_screen(&query, box->view()->window(), "wizard-query-saved");
  box->hidePopup();
  box->setCurrentIndex(2);
  query.on_saved_query(2);
  save(&query, "wizard-query-chosen");

  // Test Query on a query the database refuses: the usual text, then the
  // database's own reason, in the box the wizard shows errors in.
  QMessageBox refused(
      QMessageBox::Critical, wiz_sheet_title() + QStringLiteral(" Error"),
      wiz_display_text(
          QStringLiteral("You have an error in your query syntax. Make sure that it is a correct "
                         "SQL SELECT-statement. If the error persists, please report it with the "
                         "query text to ") +
          QLatin1String(TK_SUPPORT_CONTACT) +
          QStringLiteral(".\n\nThe database engine cannot find the input table or query "
                         "'NoSuchTable'. Make sure it exists and that its name is spelled "
                         "correctly.")),
      QMessageBox::Ok, &query);
  refused.show();
  settle(300);
  save(&refused, "wizard-query-refused");
  refused.close();
  query.close();

  dlg_error_continue go_on(
      QStringLiteral("Accounts, record #7: ORA-01438: value larger than specified precision"),
      &shell);
  go_on.setWindowTitle(wiz_sheet_title() + QStringLiteral(" Error"));
  go_on.show();
  save(&go_on, "wizard-error-continue");
  go_on.close();

  dlg_error_ex internal(QStringLiteral("Internal error: ora_table.cpp(412)"), &shell);
  internal.setWindowTitle(wiz_sheet_title() + QStringLiteral(" Error"));
  internal.show();
  save(&internal, "wizard-error-internal");
  internal.close();

  // The large table and the one with errors join the selection; the run.
  auto* tables = qobject_cast<sel_tables_page*>(shell.page(wiz::PAGE_TABLES));
  auto* available = tables->findChild<QListWidget*>(QString::number(wiz::TABLES_AVAILABLE));
  for (const QString& name : {QStringLiteral("Invoice Lines"), QStringLiteral("Accounts")}) {
    available->setCurrentItem(available->findItems(name, Qt::MatchFixedString).front());
    tables->on_add();
  }
  shell.next();
  for (int waited = 0; conv.current_record_index < 6'789 && waited < 30'000; waited += 50)
    settle(50);
  settle(700);  // a few ticks of the progress timer
  save(&shell, "wizard-progress");
  // The errors came first (Accounts); the rest of the run is not needed.
  conv.request_stop();
  pause = false;
  for (int waited = 0; shell.currentId() != wiz::PAGE_FINISH && waited < 60'000; waited += 50)
    settle(50);
  // The stop makes it the finish page of a stopped run, with its errors.
  save(&shell, "wizard-finish-stopped");
  return 0;
}
