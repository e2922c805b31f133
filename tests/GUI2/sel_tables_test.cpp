// The table-selection page and the query dialog, offscreen: filling the
// lists from the converter, moving items and the focus and highlight that
// follow, queries added, refused and edited, the empty-selection question,
// the hand-over to the converter on Next, the query dialog's checks and its
// test through the Access SQL layer against a fixture, the source's saved
// queries offered by the dialog, and the lists with 2,000 tables.
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QLocale>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStandardItemModel>
#include <QTest>

#include "../driver/memory_databases.h"
#include "GUI2/sel_tables_page.h"
#include "GUI2/set_query_dlg.h"
#include "GUI2/wizard_ids.h"
#include "pages_test_support.h"

namespace {

mem_table empty_table() {
  mem_table t;
  t.columns = {{L"ID", VT_BSTR, 10}};
  return t;
}

QStringList items(const QListWidget* list) {
  QStringList out;
  for (int i = 0; i < list->count(); ++i) out << list->item(i)->text();
  return out;
}

const QString kSqlFixture = QStringLiteral(TARVEL_TEST_DATA "/access/sql/sqlTest.mdb");
// Saved queries of every kind: select, crosstab, union and six that give
// no rows (action, pass-through, data definition).
const QString kQueryFixture =
    QStringLiteral(TARVEL_TEST_DATA "/access/jackcess/queryTestV2000.mdb");

QComboBox* saved_box(QWidget* dialog) {
  return dialog->findChild<QComboBox*>(QString::number(wiz::QUERY_SAVED_QUERIES));
}

}  // namespace

class sel_tables_test : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<wizard_world> world_;
  mem_source_setup source_;
  event_log events_;
  std::unique_ptr<sel_tables_page> page_;
  std::unique_ptr<dialog_script<set_query_dlg>> script_;

  void use_tables(const std::vector<std::wstring>& names) {
    source_.tables.clear();
    for (const std::wstring& n : names) source_.tables.emplace_back(n, empty_table());
  }
  QListWidget* available() {
    return page_->findChild<QListWidget*>(QString::number(wiz::TABLES_AVAILABLE));
  }
  QListWidget* selected() {
    return page_->findChild<QListWidget*>(QString::number(wiz::TABLES_SELECTED));
  }
  // Fills the query dialog that Add Query or a double-click opens and
  // presses OK (or Cancel when `ok` is false).
  void answer_query_dialog(const QString& name, const QString& text, bool ok = true) {
    script_->then([=](set_query_dlg* d) {
      d->findChild<QLineEdit*>(QString::number(wiz::QUERY_NAME))->setText(name);
      d->findChild<QPlainTextEdit*>(QString::number(wiz::QUERY_TEXT))->setPlainText(text);
      d->findChild<QPushButton*>(QString::number(ok ? wiz::BTN_OK : wiz::BTN_CANCEL))->click();
    });
  }

 private slots:
  void init() {
    world_ = std::make_unique<wizard_world>();
    world_->conv().set_source_name(L"/data/sales.mdb");
    world_->conv().set_source_engine_factory(
        [this] { return std::make_unique<mem_source_engine>(source_, events_); });
    script_ = std::make_unique<dialog_script<set_query_dlg>>();
    page_ = std::make_unique<sel_tables_page>();
    page_->show();
    QApplication::setActiveWindow(page_.get());
  }
  void cleanup() {
    QVERIFY(script_->done());
    script_.reset();
    page_.reset();
    world_.reset();
  }

  void fills_sorted_lists_from_the_converter() {
    use_tables({L"orders", L"Customers", L"bills", L"Zeta"});
    tarvel_convertor& conv = world_->conv();
    conv.selected_tables = {L"Zeta"};
    conv.queries = {{L"Zeta", L""}, {L"Big orders", L"SELECT * FROM orders"}};
    conv.available_queries = {{L"Cheap", L"SELECT 1"}, {L"Empty", L""}};
    QCOMPARE(page_->page_init(), 0);
    QCOMPARE(items(available()), QStringList({"bills", "Cheap", "Customers", "orders"}));
    QCOMPARE(items(selected()), QStringList({"Big orders", "Zeta"}));
    QCOMPARE(page_->selected_queries().at(L"Big orders"), L"SELECT * FROM orders");
    QCOMPARE(page_->available_queries().at(L"Cheap"), L"SELECT 1");
    QVERIFY(page_->findChild<QPushButton*>(QString::number(wiz::TABLES_ADD_QUERY))->isVisible());

    // Back and Next again shows the same choice, not twice.
    QCOMPARE(page_->page_init(), 0);
    QCOMPARE(items(selected()), QStringList({"Big orders", "Zeta"}));
  }

  void lists_show_row_counts_and_mark_queries() {
    use_tables({L"Orders", L"One", L"Empty"});
    mem_table orders = empty_table();
    for (int i = 0; i < 1234; ++i) orders.rows.push_back({std::to_wstring(i)});
    source_.tables[0].second = orders;
    source_.tables[1].second.rows = {{L"1"}};
    world_->conv().queries = {{L"Big orders", L"SELECT * FROM Orders"}};
    QCOMPARE(page_->page_init(), 0);
    QCOMPARE(page_->item_note("Orders"), QLocale().toString(1234) + " rows");
    QCOMPARE(page_->item_note("One"), QString("1 row"));
    QCOMPARE(page_->item_note("Empty"), QString("0 rows"));
    QCOMPARE(page_->item_note("Big orders"), QString("query"));
    QCOMPARE(items(available()), QStringList({"Empty", "One", "Orders"}));  // names unchanged
  }

  void moves_single_items_with_highlight_and_focus() {
    use_tables({L"A", L"B", L"C"});
    page_->page_init();
    page_->on_add();  // A is highlighted after filling
    QCOMPARE(items(available()), QStringList({"B", "C"}));
    QCOMPARE(items(selected()), QStringList({"A"}));
    QCOMPARE(available()->currentRow(), 0);  // same index: now B

    available()->setCurrentRow(1);  // C, the last
    page_->on_add();
    QCOMPARE(available()->currentRow(), 0);  // the new last item
    available()->clearSelection();
    page_->on_add();  // nothing highlighted: nothing moves
    QCOMPARE(items(available()), QStringList({"B"}));

    available()->setCurrentRow(0);
    page_->on_add();  // the last available item
    QVERIFY(available()->count() == 0);
    QCOMPARE(QApplication::focusWidget(), selected());
    QCOMPARE(selected()->currentRow(), 0);
    QCOMPARE(items(selected()), QStringList({"A", "B", "C"}));

    // And back, with a double-click on a plain table.
    emit selected()->itemDoubleClicked(selected()->item(1));
    QCOMPARE(items(available()), QStringList({"B"}));
    page_->on_delete();
    page_->on_delete();
    QCOMPARE(items(available()), QStringList({"A", "B", "C"}));
    QCOMPARE(QApplication::focusWidget(), available());
    emit available()->itemDoubleClicked(available()->item(0));
    QCOMPARE(items(selected()), QStringList({"A"}));
  }

  void moves_all_with_their_queries() {
    use_tables({L"b", L"C", L"a"});
    world_->conv().available_queries = {{L"Q", L"SELECT 2"}};
    page_->page_init();
    page_->on_add_all();
    QCOMPARE(items(selected()), QStringList({"a", "b", "C", "Q"}));
    QVERIFY(page_->available_queries().empty());
    QCOMPARE(page_->selected_queries().at(L"Q"), L"SELECT 2");
    QCOMPARE(QApplication::focusWidget(), selected());
    QCOMPARE(selected()->currentRow(), 0);
    page_->on_del_all();
    QCOMPARE(items(available()), QStringList({"a", "b", "C", "Q"}));
    QCOMPARE(page_->available_queries().at(L"Q"), L"SELECT 2");
    QVERIFY(page_->selected_queries().empty());
  }

  void adds_queries_and_refuses_duplicates_in_any_case() {
    use_tables({L"Orders"});
    page_->page_init();
    answer_query_dialog("ORDERS", "SELECT 1");
    // The refusal reopens the dialog with what was entered; Cancel ends.
    script_->then([](set_query_dlg* d) {
      QCOMPARE(d->findChild<QLineEdit*>(QString::number(wiz::QUERY_NAME))->text(),
               QString("ORDERS"));
      QCOMPARE(d->findChild<QPlainTextEdit*>(QString::number(wiz::QUERY_TEXT))->toPlainText(),
               QString("SELECT 1"));
      d->findChild<QPushButton*>(QString::number(wiz::BTN_CANCEL))->click();
    });
    page_->on_add_query();
    QCOMPARE(world_->texts(wizard_presenter::box::message),
             std::vector<QString>{"Duplicate table name. Try again."});
    QCOMPARE(items(selected()), QStringList());

    answer_query_dialog("Cheap orders", "  \n select * from Orders");
    page_->on_add_query();
    QCOMPARE(items(selected()), QStringList({"Cheap orders"}));
    QCOMPARE(page_->selected_queries().at(L"Cheap orders"), L"select * from Orders");

    // A query named like a selected one is refused too.
    world_->clear_boxes();
    answer_query_dialog("cheap ORDERS", "SELECT 2");
    answer_query_dialog("cheap ORDERS", "SELECT 2", false);
    page_->on_add_query();
    QCOMPARE(world_->texts(wizard_presenter::box::message).size(), size_t(1));
    QCOMPARE(items(selected()), QStringList({"Cheap orders"}));
  }

  void edits_a_selected_query_by_double_click() {
    use_tables({L"Orders", L"Items"});
    world_->conv().queries = {{L"Q1", L"SELECT 1"}, {L"Q2", L"SELECT 2"}};
    page_->page_init();
    answer_query_dialog("Q1 renamed", "SELECT 11");
    emit selected()->itemDoubleClicked(selected()->item(0));
    QCOMPARE(items(selected()), QStringList({"Q1 renamed", "Q2"}));
    QCOMPARE(page_->selected_queries().at(L"Q1 renamed"), L"SELECT 11");
    QVERIFY(page_->selected_queries().count(L"Q1") == 0);

    // Renaming onto another entry would lose one of the two: refused.
    answer_query_dialog("items", "SELECT 3");
    answer_query_dialog("items", "SELECT 3", false);
    emit selected()->itemDoubleClicked(selected()->item(1));
    QCOMPARE(items(selected()), QStringList({"Q1 renamed", "Q2"}));
    QCOMPARE(page_->selected_queries().at(L"Q2"), L"SELECT 2");
  }

  void next_asks_about_an_empty_selection_and_hands_over() {
    use_tables({L"Orders", L"Items"});
    tarvel_convertor& conv = world_->conv();
    page_->page_init();
    QCOMPARE(page_->on_next(), -1);  // the question, answered No
    QCOMPARE(world_->texts(wizard_presenter::box::question),
             std::vector<QString>{"There are no tables selected. Continue anyway?"});
    world_->log().answers.push_back(true);
    QCOMPARE(page_->on_next(), 0);
    QVERIFY(conv.selected_tables.empty() && conv.queries.empty());

    answer_query_dialog("Q", "SELECT 1");
    page_->on_add_query();
    available()->setCurrentRow(1);  // Orders
    page_->on_add();
    world_->clear_boxes();
    QCOMPARE(page_->on_next(), 0);
    QVERIFY(world_->texts(wizard_presenter::box::question).empty());
    QCOMPARE(conv.selected_tables, std::vector<std::wstring>{L"Orders"});
    const udb_converter::query_map expected = {{L"Orders", L""}, {L"Q", L"SELECT 1"}};
    QVERIFY(conv.queries == expected);
    QCOMPARE(conv.available_queries.size(), size_t(0));

    // An empty source: both lists empty, Next does not ask.
    use_tables({});
    conv.queries.clear();
    conv.selected_tables.clear();
    page_->page_init();
    world_->clear_boxes();
    QCOMPARE(page_->on_next(), 0);
    QVERIFY(world_->texts(wizard_presenter::box::question).empty());
  }

  void query_dialog_checks_its_texts() {
    set_query_dlg dialog(L"", L"");
    auto* name = dialog.findChild<QLineEdit*>(QString::number(wiz::QUERY_NAME));
    auto* text = dialog.findChild<QPlainTextEdit*>(QString::number(wiz::QUERY_TEXT));
    auto ok = [&] { dialog.findChild<QPushButton*>(QString::number(wiz::BTN_OK))->click(); };
    dialog.show();

    text->setPlainText("SELECT 1");
    ok();
    QCOMPARE(world_->texts(wizard_presenter::box::message),
             std::vector<QString>{"Table name is empty!"});
    name->setText("T");
    text->setPlainText("SELEC");
    ok();
    text->setPlainText("");
    ok();
    QCOMPARE(world_->texts(wizard_presenter::box::error),
             (std::vector<QString>{"The query must start with SELECT.", "Query is empty!"}));
    QVERIFY(dialog.isVisible());
    text->setPlainText("\t\r\n  sElEcT * FROM x");
    ok();
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QCOMPARE(dialog.name(), L"T");
    QCOMPARE(dialog.query(), L"sElEcT * FROM x");

    // The edits hold 2,047 characters; a longer paste is cut where it shows.
    text->setPlainText("SELECT " + QString(3000, 'x'));
    QCOMPARE(text->toPlainText().size(), set_query_dlg::kMaxText);
    QVERIFY(dialog.check_select());
    QCOMPARE(dialog.query().size(), size_t(set_query_dlg::kMaxText));
  }

  void test_query_goes_through_the_access_sql_layer() {
    tarvel_convertor& conv = world_->conv();
    conv.set_source_engine_factory(nullptr);
    conv.set_source_name(kSqlFixture.toStdWString());
    set_query_dlg dialog(L"T", L"");
    auto* text = dialog.findChild<QPlainTextEdit*>(QString::number(wiz::QUERY_TEXT));
    auto test = [&] { dialog.findChild<QPushButton*>(QString::number(wiz::QUERY_TEST))->click(); };
    text->setPlainText("SELECT * FROM Customers");
    test();
    text->setPlainText("SELECT * FROM NoSuchTable");
    test();
    text->setPlainText("SELEC * FROM Customers");
    test();
    // With the columns and rows it gives (as mdb-export counts them).
    QCOMPARE(world_->texts(wizard_presenter::box::message),
             std::vector<QString>{"The query is correct.\r\nIt gives 7 columns and 5 rows."});
    const std::vector<QString> errors = world_->texts(wizard_presenter::box::error);
    QCOMPARE(errors.size(), size_t(2));
    QVERIFY(
        errors[0].startsWith("You have an error in your query syntax. Make sure that it is a "
                             "correct SQL SELECT-statement. "));
    // The database's own reason follows, as DAO words it.
    QVERIFY2(errors[0].endsWith("\n\nThe database engine cannot find the input table or query "
                                "'NoSuchTable'. Make sure it exists and that its name is spelled "
                                "correctly."),
             qPrintable(errors[0]));
    QCOMPARE(errors[1], QString("The query must start with SELECT."));
  }

  void saved_queries_fill_the_dialog_and_greyed_ones_say_why() {
    std::vector<source_saved_query> saved(3);
    saved[0] = {L"Sales by Year", L"SELECT * FROM [Sales by Year]", true, L""};
    saved[1] = {L"Ask dates", L"SELECT * FROM [Ask dates]", false,
                L"Too few parameters. Expected 2."};
    saved[2] = {L"2019 orders", L"SELECT * FROM [2019 orders]", true, L""};
    set_query_dlg dialog(L"", L"", nullptr, saved);
    QComboBox* box = saved_box(&dialog);
    QVERIFY(box);
    QCOMPARE(box->count(), 3);
    QCOMPARE(box->currentIndex(), -1);  // nothing chosen: the edits stay empty
    auto* model = qobject_cast<QStandardItemModel*>(box->model());
    QVERIFY(model->item(0)->isEnabled());
    QVERIFY(!model->item(1)->isEnabled());
    QCOMPARE(model->item(1)->toolTip(), QString("Too few parameters. Expected 2."));

    auto* name = dialog.findChild<QLineEdit*>(QString::number(wiz::QUERY_NAME));
    auto* text = dialog.findChild<QPlainTextEdit*>(QString::number(wiz::QUERY_TEXT));
    emit box->activated(0);
    QCOMPARE(name->text(), QString("Sales_by_Year"));
    QCOMPARE(text->toPlainText(), QString("SELECT * FROM [Sales by Year]"));
    // A greyed entry changes nothing, even when chosen by a program.
    emit box->activated(1);
    QCOMPARE(name->text(), QString("Sales_by_Year"));
    // A name that does not start with a letter gets one.
    emit box->activated(2);
    QCOMPARE(name->text(), QString("A2019_orders"));
    dialog.findChild<QPushButton*>(QString::number(wiz::BTN_OK))->click();
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QCOMPARE(dialog.query(), L"SELECT * FROM [2019 orders]");

    // Without saved queries the dialog has no drop-down.
    set_query_dlg plain(L"", L"");
    QVERIFY(!saved_box(&plain));
  }

  void saved_queries_of_a_source_database() {
    tarvel_convertor& conv = world_->conv();
    conv.set_source_engine_factory(nullptr);
    conv.set_source_name(kQueryFixture.toStdWString());
    page_->page_init();
    script_->then([](set_query_dlg* d) {
      QComboBox* box = saved_box(d);
      QVERIFY(box);
      QStringList names;
      for (int i = 0; i < box->count(); ++i) names << box->itemText(i);
      names.sort();
      // Only the kinds that give rows.
      QCOMPARE(names, QStringList({"CrosstabQuery", "SelectQuery", "UnionQuery"}));
      auto* model = qobject_cast<QStandardItemModel*>(box->model());
      for (int i = 0; i < box->count(); ++i) {
        QStandardItem* item = model->item(i);
        if (item->isEnabled()) continue;
        qInfo("greyed: %s: %s", qPrintable(item->text()), qPrintable(item->toolTip()));
        QVERIFY2(!item->toolTip().isEmpty(), qPrintable(item->text()));
      }
      const int select = box->findText("SelectQuery");
      QVERIFY(model->item(select)->isEnabled());
      emit box->activated(select);
      d->findChild<QPushButton*>(QString::number(wiz::BTN_OK))->click();
    });
    page_->on_add_query();
    QCOMPARE(items(selected()), QStringList({"SelectQuery"}));
    QCOMPARE(page_->selected_queries().at(L"SelectQuery"), L"SELECT * FROM [SelectQuery]");
    QVERIFY(world_->texts(wizard_presenter::box::error).empty());
  }

  void two_thousand_tables_stay_quick() {
    std::vector<std::wstring> names;
    for (int i = 0; i < 2000; ++i) names.push_back(L"Table " + std::to_wstring(i * 7919 % 2000));
    use_tables(names);
    QElapsedTimer clock;
    clock.start();
    page_->page_init();
    page_->on_add_all();
    page_->on_del_all();
    const qint64 ms = clock.elapsed();
    qInfo("2,000 tables: fill, add all, remove all: %lld ms", ms);
    QCOMPARE(available()->count(), 2000);
    QCOMPARE(available()->item(0)->text(), QString("Table 0"));
    QCOMPARE(available()->item(1)->text(), QString("Table 1"));
    QVERIFY2(ms < 3000, "the lists are too slow");  // a loaded sanitizer build
  }
};

QTEST_MAIN(sel_tables_test)
#include "sel_tables_test.moc"
