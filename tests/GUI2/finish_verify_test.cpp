// The finish page's Verify button: the check runs on a worker thread and
// the page shows one row per table; a table altered in Oracle afterwards
// shows as differing on the next press; a check that cannot run says so.
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QTableWidget>
#include <QtTest>

#include "GUI2/gui_finish_page.h"
#include "common/tarvel_convertor.h"
#include "wizard_test_support.h"

class finish_verify_test : public QObject {
  Q_OBJECT

  static QString cell(QTableWidget* table, int row, int column) {
    QTableWidgetItem* item = table->item(row, column);
    return item ? item->text() : QString();
  }

 private slots:
  void initTestCase() { wizard_test_environment(); }

  void verify_shows_each_table_and_finds_a_change() {
    const QString source = fixture(QStringLiteral("access/generated/verifyValues.mdb"));
    QProcess agent;
    agent.start(QStringLiteral(TARVEL_BIN "/TARVAGENT"),
                {QStringLiteral("--src=") + source, QStringLiteral("--dest=VER"),
                 QStringLiteral("--oraclh=localhost"), QStringLiteral("--oraclu=wiz"),
                 QStringLiteral("--oraclp=wiz"), QStringLiteral("--silent")});
    QVERIFY(agent.waitForFinished(120000));
    QCOMPARE(agent.exitCode(), 0);

    wizard_env env(false);
    tarvel_convertor& conv = env.converter();
    conv.set_source_name(source.toStdWString());
    conv.set_destination_name(L"VER");
    conv.uppercase = false;
    conv.selected_tables.clear();
    conv.queries.clear();
    conv.oracle.store_oracle_settings(L"localhost", L"wiz", L"wiz", L"1521");

    gui_finish_page page;
    page.show();
    auto* button = page.findChild<QPushButton*>(QStringLiteral("verify"));
    auto* table = page.findChild<QTableWidget*>(QStringLiteral("verify_table"));
    auto* status = page.findChild<QLabel*>(QStringLiteral("verify_status"));
    QVERIFY(button && table && status);
    QVERIFY(table->isHidden());
    button->click();
    QVERIFY(!button->isEnabled());  // one check at a time
    QTRY_VERIFY_WITH_TIMEOUT(button->isEnabled(), 60000);
    QVERIFY(table->isVisible());
    QCOMPARE(table->rowCount(), 3);
    QCOMPARE(cell(table, 1, 0), QStringLiteral("Kinds"));
    QCOMPARE(cell(table, 1, 1), QStringLiteral("Kinds"));  // the Oracle name beside it
    QCOMPARE(cell(table, 1, 2), QStringLiteral("22"));
    QCOMPARE(cell(table, 1, 3), QStringLiteral("22"));
    for (int row = 0; row < 3; ++row) QCOMPARE(cell(table, row, 4), QStringLiteral("equal"));
    QVERIFY2(status->text().startsWith("3 tables: 3 equal, 0 differing"),
             qPrintable(status->text()));

    QVERIFY(engine_sql(QStringLiteral("DELETE FROM \"NoKey\" WHERE \"ID\" = 0"),
                       QStringLiteral("VER")) != QStringLiteral("<failed>"));
    button->click();
    QTRY_VERIFY_WITH_TIMEOUT(button->isEnabled(), 60000);
    QCOMPARE(cell(table, 2, 0), QStringLiteral("NoKey"));
    QCOMPARE(cell(table, 2, 3), QStringLiteral("3"));
    QCOMPARE(cell(table, 2, 4), QStringLiteral("DIFFERS"));
    QCOMPARE(cell(table, 2, 5), QStringLiteral("missing row (ID=0, Label='zero')"));
    conv.oracle.set_destination(nullptr);
  }

  void a_check_that_cannot_run_says_why() {
    wizard_env env(false);
    tarvel_convertor& conv = env.converter();
    conv.set_source_name(fixture(QStringLiteral("access/generated/missing.mdb")).toStdWString());
    conv.set_destination_name(L"VER");
    conv.oracle.store_oracle_settings(L"localhost", L"wiz", L"wiz", L"1521");
    gui_finish_page page;
    auto* button = page.findChild<QPushButton*>(QStringLiteral("verify"));
    button->click();
    QTRY_VERIFY_WITH_TIMEOUT(button->isEnabled(), 60000);
    const QString text = page.findChild<QLabel*>(QStringLiteral("verify_status"))->text();
    QVERIFY2(text.startsWith("The verification could not run:") && text.contains("missing.mdb"),
             qPrintable(text));
    QVERIFY(page.findChild<QTableWidget*>(QStringLiteral("verify_table"))->isHidden());
    conv.oracle.set_destination(nullptr);
  }
};

QTEST_MAIN(finish_verify_test)
#include "finish_verify_test.moc"
