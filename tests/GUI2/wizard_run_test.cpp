// The wizard against the embedded Oracle engine: the connection from the
// Oracle page (success, wrong password, no listener), whole conversions of
// the sample database driven through the pages (without and with errors in
// the data), and the quick launch of a saved profile.
#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <functional>
#include <memory>

#include "GUI2/connecting_dialog.h"
#include "GUI2/oracle_settings_page.h"
#include "GUI2/wizard_app.h"
#include "GUI2/wizard_ids.h"
#include "GUI2/wizard_page.h"
#include "GUI2/wizard_shell.h"
#include "ORA/ora_engine.h"
#include "common/tarvel_convertor.h"
#include "tests/GUI2/wizard_test_support.h"

using box = wizard_presenter::box;

namespace {
const QString kSample = QStringLiteral(TARVEL_SOURCE_DIR "/samples/sample.mdb");
constexpr int kRunTimeout = 60000;
// Every round trip of the embedded engine, the logon included, waits this
// long: a logon that takes a good part of a second.
constexpr const char* kSlowLogonUs = "300000";

// Runs `act` on the connecting dialog as soon as it shows (polling while
// the page's Next waits in it).
void when_connecting(const std::function<void(connecting_dialog&)>& act) {
  auto* poll = new QTimer;
  poll->setInterval(10);
  QObject::connect(poll, &QTimer::timeout, poll, [poll, act] {
    auto* dialog = qobject_cast<connecting_dialog*>(QApplication::activeModalWidget());
    if (!dialog || !dialog->isVisible()) return;
    poll->stop();
    poll->deleteLater();
    act(*dialog);
  });
  poll->start();
}

// The threads of the process.
int thread_count() {
  return int(
      QDir(QStringLiteral("/proc/self/task")).entryList(QDir::Dirs | QDir::NoDotAndDotDot).size());
}
}  // namespace

class wizard_run_test : public QObject {
  Q_OBJECT

 private:
  // From the welcome page to the progress page with the sample database.
  static void walk_to_progress(wizard_env& env, int mode_button,
                               const QString& service = QStringLiteral("WIZ")) {
    QVERIFY(env.next());
    env.fill_oracle(QStringLiteral("wiz"), QStringLiteral("wiz"), service);
    QVERIFY(env.next());
    QCOMPARE(env.shell().currentId(), 105);
    for (int id : {wiz::SECURITY_PATH, wiz::SECURITY_USER, wiz::SECURITY_PASSWORD})
      env.edit(id)->clear();
    QVERIFY(env.next());
    QCOMPARE(env.shell().currentId(), 106);
    env.edit(wiz::SOURCE_PATH)->setText(kSample);
    env.page()->ctrl<QCheckBox>(wiz::SOURCE_UPPERCASE)->setChecked(false);
    env.page()->ctrl<QCheckBox>(wiz::SOURCE_DEFINITIONS_ONLY)->setChecked(false);
    env.page()->ctrl<QRadioButton>(mode_button)->setChecked(true);
    QVERIFY(env.next());
    QCOMPARE(env.shell().currentId(), 127);
    env.page()->ctrl<QAbstractButton>(wiz::TABLES_ADD_ALL)->click();  // Add all
    QVERIFY(env.next());
    QCOMPARE(env.shell().currentId(), 107);
  }

 private slots:
  void initTestCase() { wizard_test_environment(); }

  void connection_succeeds_and_a_wrong_password_stays() {
    {
      wizard_env env;
      QVERIFY(env.next());
      env.fill_oracle();
      QVERIFY(env.next());
      QCOMPARE(env.shell().currentId(), 105);
      QVERIFY(env.presenter->boxes.empty());
      QVERIFY(env.converter().oracle.is_connected());
    }
    wizard_env env;
    QVERIFY(env.next());
    env.fill_oracle(QStringLiteral("wiz"), QStringLiteral("wrong"));
    QVERIFY(!env.next());
    QCOMPARE(env.shell().currentId(), 132);
    QCOMPARE(env.presenter->boxes.size(), size_t(1));
    QCOMPARE(env.presenter->boxes[0].kind, box::error);
    QCOMPARE(env.last_text(), QStringLiteral("Invalid user name or password."));
    QCOMPARE(env.presenter->boxes[0].caption, QStringLiteral("Ferrolith 4.1  Error"));
  }

  void cancel_leaves_the_connection_attempt_behind() {
    const int threads_before = thread_count();
    qputenv("TARVEL_ORAEMB_LATENCY_US", kSlowLogonUs);
    {
      wizard_env env;
      QVERIFY(env.next());
      env.fill_oracle();
      auto* page = qobject_cast<oracle_settings_page*>(env.page());
      QVERIFY(page);
      bool cancelled = false;
      when_connecting([&](connecting_dialog& dialog) {
        cancelled = true;
        QTest::mouseClick(dialog.cancel_button(), Qt::LeftButton);
      });
      QVERIFY(!env.next());
      // The dialog closed at once: the logon is still going on.
      QVERIFY(cancelled);
      QVERIFY(page->attempt_running());
      QCOMPARE(env.shell().currentId(), 132);
      QVERIFY(env.presenter->boxes.empty());
      QVERIFY(!env.converter().oracle.is_connected());
      // The page takes input meanwhile.
      QVERIFY(env.edit(wiz::ORACLE_DATABASE)->isEnabled());
      QTest::keyClicks(env.edit(wiz::ORACLE_USER), QStringLiteral("x"));
      QCOMPARE(env.edit(wiz::ORACLE_USER)->text(), QStringLiteral("wizx"));
      env.edit(wiz::ORACLE_USER)->setText(QStringLiteral("wiz"));
      // Its late success changes nothing: no destination, no session, no box.
      QTRY_VERIFY_WITH_TIMEOUT(!page->attempt_running(), 20000);
      QCoreApplication::processEvents();
      QCOMPARE(env.shell().currentId(), 132);
      QVERIFY(env.presenter->boxes.empty());
      QVERIFY(!env.converter().oracle.is_connected());
      QVERIFY(!env.converter().oracle.engine.is_connected());
      // Escape cancels as well; the next attempt waits for the one left
      // behind and then connects.
      when_connecting([](connecting_dialog& dialog) { QTest::keyClick(&dialog, Qt::Key_Escape); });
      QVERIFY(!env.next());
      QVERIFY(page->attempt_running());
      qunsetenv("TARVEL_ORAEMB_LATENCY_US");
      QVERIFY(env.next());
      QCOMPARE(env.shell().currentId(), 105);
      QVERIFY(env.converter().oracle.is_connected());
      QVERIFY(env.presenter->boxes.empty());
    }
    qputenv("TARVEL_ORAEMB_LATENCY_US", kSlowLogonUs);
    {
      // The wizard closes (Cancel, Yes) while connecting: the attempt is
      // left behind, and the wizard's end waits for it, no longer.
      auto env = std::make_unique<wizard_env>();
      QVERIFY(env->next());
      env->fill_oracle();
      when_connecting([&](connecting_dialog&) { env->shell().reject(); });
      env->shell().next();
      QVERIFY(!env->shell().isVisible());
      QCOMPARE(env->presenter->boxes.size(), size_t(1));  // "Are you sure ...?"
      QVERIFY(qobject_cast<oracle_settings_page*>(env->shell().page(132))->attempt_running());
      QElapsedTimer clock;
      clock.start();
      env.reset();
      QVERIFY(clock.elapsed() < 10000);
    }
    qunsetenv("TARVEL_ORAEMB_LATENCY_US");
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(QApplication::topLevelWidgets().isEmpty());
    QVERIFY(thread_count() <= threads_before);
  }

  void unreachable_listener_shows_the_mapped_message() {
    QTemporaryDir dir;
    const QString config = dir.filePath(QStringLiteral("engine.conf"));
    QFile f(config);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("[listener]\nports = 1521\n");
    f.close();
    qputenv("TARVEL_ORAEMB_CONFIG", config.toLocal8Bit());
    {
      wizard_env env;
      QVERIFY(env.next());
      env.fill_oracle();
      env.edit(wiz::ORACLE_PORT)->setText(QStringLiteral("1599"));
      QVERIFY(!env.next());
      QVERIFY(env.last_text().startsWith(QStringLiteral("ORA-12541: no listener.")));
    }
    qunsetenv("TARVEL_ORAEMB_CONFIG");
  }

  void whole_conversion_through_the_pages() {
    QTemporaryDir dir;
    const QString profile = dir.filePath(QStringLiteral("sample.tarvel"));
    {
      wizard_env env;
      walk_to_progress(env, wiz::SOURCE_OVERWRITE);
      QVERIFY(!env.shell().button(QWizard::BackButton)->isEnabled());
      QTRY_COMPARE_WITH_TIMEOUT(env.shell().currentId(), 116, kRunTimeout);
      QCOMPARE(env.page()->ctrl<QLabel>(wiz::FINISH_RESULT)->text(),
               QStringLiteral("Wizard has migrated your MS Access database to\nOracle server "
                              "successfully.\n\nClick 'Finish' to exit the wizard."));
      QVERIFY(env.presenter->boxes.empty());
      QVERIFY(!env.shell().timer_running());
      env.presenter->files.push_back(profile);
      env.page()->ctrl<QAbstractButton>(wiz::FINISH_SAVE_SETTINGS)->click();
    }
    QCOMPARE(engine_sql(QStringLiteral("SELECT COUNT(*) FROM \"Customers\"")),
             QStringLiteral("COUNT(*)\n5\n"));
    QCOMPARE(engine_sql(QStringLiteral("SELECT COUNT(*) FROM \"OrderLines\"")),
             QStringLiteral("COUNT(*)\n6\n"));

    // Quick launch of the saved profile: two pages, the run starts at once.
    QVERIFY(QFile::exists(profile));
    engine_sql(QStringLiteral("DROP TABLE \"Shipments\""));
    wizard_env env(false);
    QVERIFY(wiz_prepare_quick_launch(profile));
    wizard_shell shell(wiz_sheet_title());
    wiz_add_pages(shell, true);
    shell.show();
    QCOMPARE(shell.currentId(), 107);
    QTRY_COMPARE_WITH_TIMEOUT(shell.currentId(), 116, kRunTimeout);
    QVERIFY(env.presenter->boxes.empty());
    shell.hide();
    QCOMPARE(engine_sql(QStringLiteral("SELECT COUNT(*) FROM \"Shipments\"")),
             QStringLiteral("COUNT(*)\n3\n"));
  }

  // A profile without a table list converts every table, as TARVAGENT does;
  // one that lists a table converts that table only.
  void quick_launch_converts_every_table_or_the_listed_ones() {
    QTemporaryDir dir;
    const QString profile = dir.filePath(QStringLiteral("all.tarvel"));
    auto write_profile = [&](const QString& service, const std::vector<std::wstring>& tables) {
      wizard_env env(false);
      tarvel_convertor& conv = env.converter();
      conv.set_source_name(kSample.toStdWString());
      conv.set_destination_name(service.toStdWString());
      conv.oracle.store_oracle_settings(L"localhost", L"wiz", L"wiz", L"1521");
      conv.set_mode(UDB_MODE_OVERWRITE);
      conv.uppercase = false;
      conv.queries.clear();  // a profile lists its tables as queries without text
      for (const std::wstring& table : tables) conv.queries.emplace(table, L"");
      conv.store_profile_file(profile.toStdWString());
    };
    // The source's tables, and a schema without them.
    QStringList tables;
    {
      wizard_env env(false);
      env.converter().set_source_name(kSample.toStdWString());
      std::vector<std::wstring> names;
      env.converter().get_all_tables(names);
      for (const std::wstring& name : names) tables << QString::fromStdWString(name);
    }
    QVERIFY(tables.size() > 1);
    const QString service = QStringLiteral("WIZQL");
    auto exists = [&](const QString& table) {
      return engine_sql(QStringLiteral("SELECT COUNT(*) FROM \"%1\"").arg(table), service) !=
             QStringLiteral("<failed>");
    };
    auto drop_all = [&] {
      for (int pass = 0; pass < 3; ++pass)  // children before the tables they refer to
        for (const QString& table : tables)
          if (exists(table)) engine_sql(QStringLiteral("DROP TABLE \"%1\"").arg(table), service);
    };
    auto quick_launch = [&] {
      wizard_env env(false);
      if (!wiz_prepare_quick_launch(profile)) return false;
      wizard_shell shell(wiz_sheet_title());
      wiz_add_pages(shell, true);
      shell.show();
      const bool done = QTest::qWaitFor([&] { return shell.currentId() == 116; }, kRunTimeout);
      shell.hide();
      return done && shell.page(116)
                         ->findChild<QLabel*>(QString::number(wiz::FINISH_RESULT))
                         ->text()
                         .startsWith(QStringLiteral("Wizard has migrated"));
    };
    drop_all();
    write_profile(service, {});
    QVERIFY(quick_launch());
    for (const QString& table : tables) QVERIFY2(exists(table), qPrintable(table));

    drop_all();
    write_profile(service, {L"Customers"});
    QVERIFY(quick_launch());
    QCOMPARE(engine_sql(QStringLiteral("SELECT COUNT(*) FROM \"Customers\""), service),
             QStringLiteral("COUNT(*)\n5\n"));
    for (const QString& table : tables)
      if (table != QStringLiteral("Customers")) QVERIFY2(!exists(table), qPrintable(table));
  }

  void quick_launch_of_a_bad_profile_stops_with_its_message() {
    QTemporaryDir dir;
    const QString profile = dir.filePath(QStringLiteral("bad.tarvel"));
    QFile f(profile);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("[Generic settings]\nsrc=/nonexistent/db.mdb\ndest=WIZ\n");
    f.close();
    wizard_env env(false);
    QVERIFY(!wiz_prepare_quick_launch(profile));
    QCOMPARE(env.presenter->boxes.size(), size_t(1));
    QCOMPARE(env.presenter->boxes[0].kind, box::error);
    QCOMPARE(env.presenter->boxes[0].caption, QStringLiteral("Error"));
  }

  void errors_in_the_data_reach_the_finish_page() {
    // Existing Orders and Shipments tables whose structure does not match
    // the source: merging reports one error for each and goes on.
    const QString service = QStringLiteral("WIZERR");
    engine_sql(QStringLiteral("CREATE TABLE \"Orders\" (\"Note\" VARCHAR2(10))"), service);
    engine_sql(QStringLiteral("CREATE TABLE \"Shipments\" (\"Note\" VARCHAR2(10))"), service);
    wizard_env env;
    walk_to_progress(env, wiz::SOURCE_MERGE, service);
    QTRY_COMPARE_WITH_TIMEOUT(env.shell().currentId(), 116, kRunTimeout);
    QCOMPARE(env.presenter->continue_texts.size(), 2);
    QVERIFY(env.presenter->continue_texts[0].startsWith(QStringLiteral("Orders: ")));
    QVERIFY(env.presenter->continue_texts[1].startsWith(QStringLiteral("Shipments: ")));
    wizard_page* p = env.page();
    QCOMPARE(p->ctrl<QLabel>(wiz::FINISH_RESULT)->text(),
             QStringLiteral("There were some errors while converting the database: 2 tables not "
                            "converted.\nClick 'Finish' to exit the wizard."));
    auto* errors = p->ctrl<QPlainTextEdit>(wiz::FINISH_ERRORS);
    QVERIFY(errors->isVisible());
    QVERIFY(errors->isReadOnly());
    const QString expected = env.presenter->continue_texts[0] + QStringLiteral("\n\n") +
                             env.presenter->continue_texts[1] + QStringLiteral("\n\n");
    QCOMPARE(errors->toPlainText(), expected);
    QCOMPARE(engine_sql(QStringLiteral("SELECT COUNT(*) FROM \"Customers\""), service),
             QStringLiteral("COUNT(*)\n5\n"));
  }
};

QTEST_MAIN(wizard_run_test)
#include "wizard_run_test.moc"
