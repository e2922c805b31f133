// The wizard's shell and settings pages on the offscreen platform: captions,
// page order, every validation message in its order, Back and Next storing
// settings, profiles, the finish page, Cancel, remembered settings and help.
#include <sys/stat.h>

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMap>
#include <QPlainTextEdit>
#include <QPointer>
#include <QRadioButton>
#include <QSpinBox>
#include <QTest>
#include <QTextBrowser>
#include <memory>

#include "GUI2/help_window.h"
#include "GUI2/wizard_app.h"
#include "GUI2/wizard_ids.h"
#include "GUI2/wizard_page.h"
#include "GUI2/wizard_shell.h"
#include "common/tarvel_convertor.h"
#include "tests/GUI2/wizard_test_support.h"

using box = wizard_presenter::box;

class wizard_pages_test : public QObject {
  Q_OBJECT

 private:
  // A page of the shell by id, activated as the shell activates it.
  static wizard_page* page(wizard_env& env, int id) {
    auto* p = qobject_cast<wizard_page*>(env.shell().page(id));
    p->page_init();
    return p;
  }

 private slots:
  void initTestCase() { wizard_test_environment(); }
  // No window of a test (dialogs, help, boxes) outlives its wizard.
  void cleanup() {
    const QStringList left = leftover_windows();
    QVERIFY2(left.isEmpty(), qPrintable(left.join(QStringLiteral(", "))));
  }

  // The help window, which stays open beside the sheet, goes with the
  // wizard; a window that outlives the wizard is seen.
  void no_top_level_widget_outlives_the_wizard() {
    QPointer<QWidget> help;
    {
      wizard_env env;
      QVERIFY(env.next());
      emit env.shell().helpRequested();
      help = env.shell().findChild<help_window*>();
      QVERIFY(help && help->isVisible());
      QVERIFY(help->isWindow());
      QVERIFY(leftover_windows().size() >= 2);
    }
    QVERIFY(help.isNull());
    QCOMPARE(leftover_windows(), QStringList());
    // A window without an owner stays after the wizard: the check finds it.
    auto stray = std::make_unique<QDialog>();
    stray->setObjectName(QStringLiteral("stray"));
    QCOMPARE(leftover_windows(), QStringList(QStringLiteral("QDialog stray")));
    stray.reset();
    QCOMPARE(leftover_windows(), QStringList());
  }

  void captions_follow_the_first_page_activation() {
    {
      wizard_env env(false);
      wizard_shell::error(std::wstring(L"before"));
      wizard_shell::message(L"info");
      QCOMPARE(env.presenter->boxes.at(0).caption, QStringLiteral("Error"));
      QCOMPARE(env.presenter->boxes.at(1).caption, QStringLiteral("Message"));
      QCOMPARE(env.presenter->boxes.at(1).kind, box::message);
    }
    wizard_env env;
    QVERIFY(wizard_shell::is_initialized());
    wizard_shell::error(std::wstring(L"after"));
    QCOMPARE(env.presenter->boxes.back().caption, QStringLiteral("Ferrolith 4.1  Error"));
    QCOMPARE(env.presenter->boxes.back().kind, box::error);
    QCOMPARE(env.shell().windowTitle(),
             QStringLiteral("MS Access to Oracle Conversion Wizard - Ferrolith 4.1"));
  }

  void pages_stand_in_order_and_quick_launch_has_two() {
    {
      wizard_env env;
      const std::vector<int> order{103, 132, 105, 106, 127, 107, 116};
      QCOMPARE(env.shell().page_order(), order);
      QCOMPARE(env.shell().currentId(), 103);
      QCOMPARE(env.page()->wizard_buttons(), unsigned(wizard_page::NEXT));
      QCOMPARE(env.shell().page(132)->subTitle(), QStringLiteral("Connect to Oracle server"));
      QCOMPARE(env.shell().page(106)->title(), QStringLiteral("Step 3 of 5"));
    }
    // Not shown: the progress page would start converting.
    wizard_env env(false);
    wizard_shell shell(wiz_sheet_title());
    wiz_add_pages(shell, true);
    const std::vector<int> quick{107, 116};
    QCOMPARE(shell.page_order(), quick);
  }

  void oracle_page_needs_a_database_name_and_stores_on_back() {
    wizard_env env;
    QVERIFY(env.next());
    QCOMPARE(env.shell().currentId(), 132);
    env.edit(wiz::ORACLE_SERVER)->clear();
    env.edit(wiz::ORACLE_DATABASE)->clear();
    env.edit(wiz::ORACLE_USER)->setText(QStringLiteral("scott"));
    QVERIFY(!env.next());
    QCOMPARE(env.presenter->boxes.size(), size_t(1));
    QCOMPARE(env.presenter->boxes[0].kind, box::message);
    QCOMPARE(env.last_text(), QStringLiteral("You should enter Oracle database name"));
    QCOMPARE(env.converter().oracle.host, std::wstring(L"localhost"));
    env.edit(wiz::ORACLE_DATABASE)->setText(QStringLiteral("SALES"));
    env.edit(wiz::ORACLE_PORT)->setText(QStringLiteral("1599"));
    env.back();
    QCOMPARE(env.shell().currentId(), 103);
    QCOMPARE(env.converter().destination_name(), std::wstring(L"SALES"));
    QCOMPARE(env.converter().oracle.port, std::wstring(L"1599"));
    QCOMPARE(env.converter().oracle.user, std::wstring(L"scott"));
  }

  void security_page_checks_in_order() {
    wizard_env env;
    wizard_page* p = page(env, 105);
    auto* path = p->ctrl<QLineEdit>(wiz::SECURITY_PATH);
    auto* user = p->ctrl<QLineEdit>(wiz::SECURITY_USER);
    // The checks apply to settings in use, that is with the box checked.
    p->ctrl<QCheckBox>(wiz::SECURITY_USE)->setChecked(true);
    const auto stays_with = [&](box kind, const QString& text) {
      env.presenter->boxes.clear();
      QCOMPARE(p->on_next(), -1);
      QCOMPARE(env.presenter->boxes.size(), size_t(1));
      QCOMPARE(env.presenter->boxes[0].kind, kind);
      QCOMPARE(env.presenter->boxes[0].text, text);
    };
    path->setText(QStringLiteral("/nonexistent/system.mdw"));
    stays_with(box::error, QStringLiteral("Workgroup information file does not exist.\r\n"
                                          "Please verify the correct path was given.\r\n\r\n"
                                          "/nonexistent/system.mdw"));
    path->setText(fixture(QStringLiteral("access/jackcess/testV1997.mdb")));
    user->setText(QStringLiteral("admin"));
    stays_with(box::error,
               QStringLiteral("The file does not comply with MS Access workgroup information\r\n"
                              "file format. Leave all the fields empty on this wizard page if "
                              "your\r\ndatabase is not protected with MS Access user-level "
                              "security."));
    path->setText(QStringLiteral("  ") + fixture(QStringLiteral("access/generated/workgroup.mdw")));
    user->clear();
    stays_with(box::message, QStringLiteral("You should enter user name"));
    // Spaces at both ends are trimmed when stored.
    QCOMPARE(QString::fromStdWString(env.converter().access.workgroup_file),
             fixture(QStringLiteral("access/generated/workgroup.mdw")));
    path->clear();
    user->setText(QStringLiteral("admin"));
    stays_with(box::message,
               QStringLiteral("You should enter path to MS Access workgroup information file"));
    user->clear();
    env.presenter->boxes.clear();
    QCOMPARE(p->on_next(), 0);
    QVERIFY(env.presenter->boxes.empty());
  }

  void security_check_box_enables_the_fields() {
    wizard_env env;
    env.converter().access.workgroup_file.clear();
    wizard_page* p = page(env, 105);
    QVERIFY(!p->ctrl<QCheckBox>(wiz::SECURITY_USE)->isChecked());
    for (int id :
         {wiz::SECURITY_PATH, wiz::SECURITY_USER, wiz::SECURITY_PASSWORD, wiz::SECURITY_BROWSE})
      QVERIFY(!p->control(id)->isEnabled());
    QVERIFY(p->invert_chbox(wiz::SECURITY_USE));
    for (int id :
         {wiz::SECURITY_PATH, wiz::SECURITY_USER, wiz::SECURITY_PASSWORD, wiz::SECURITY_BROWSE})
      QVERIFY(p->control(id)->isEnabled());
    QVERIFY(!p->invert_chbox(wiz::SECURITY_USE));
    QVERIFY(!p->control(wiz::SECURITY_PASSWORD)->isEnabled());
    // A path set elsewhere (a profile) shows the fields enabled.
    env.converter().access.workgroup_file = L"/tmp/x.mdw";
    p->page_init();
    QVERIFY(p->control(wiz::SECURITY_PATH)->isEnabled());
  }

  void workgroup_settings_are_kept_and_checked_for_the_file_they_opened() {
    const QString mdw = fixture(QStringLiteral("access/generated/workgroup.mdw"));
    const QString sample = QStringLiteral(TARVEL_SOURCE_DIR "/samples/sample.mdb");
    const QString other = fixture(QStringLiteral("access/generated/stopTest.mdb"));
    const auto shows_kept = [&](wizard_page* p) {
      QCOMPARE(p->ctrl<QLineEdit>(wiz::SECURITY_PATH)->text(), mdw);
      QCOMPARE(p->ctrl<QLineEdit>(wiz::SECURITY_USER)->text(), QStringLiteral("Admin"));
      QCOMPARE(p->ctrl<QLineEdit>(wiz::SECURITY_PASSWORD)->text(), QStringLiteral("pw"));
    };
    {
      wizard_env env;
      env.converter().set_source_name(sample.toStdWString());
      wizard_page* security = page(env, 105);
      auto* use = security->ctrl<QCheckBox>(wiz::SECURITY_USE);
      use->setChecked(true);
      security->ctrl<QLineEdit>(wiz::SECURITY_PATH)->setText(mdw);
      security->ctrl<QLineEdit>(wiz::SECURITY_USER)->setText(QStringLiteral("Admin"));
      security->ctrl<QLineEdit>(wiz::SECURITY_PASSWORD)->setText(QStringLiteral("pw"));
      QCOMPARE(security->on_next(), 0);
      // The source opens with them: they belong to that file from now on.
      wizard_page* source = page(env, 106);
      QCOMPARE(source->on_next(), 0);
      QVERIFY(env.presenter->boxes.empty());
      // Another file, then Back: shown, but off and not in use.
      source->ctrl<QLineEdit>(wiz::SOURCE_PATH)->setText(other);
      source->on_back();
      security->page_init();
      QVERIFY(!use->isChecked());
      QVERIFY(!security->control(wiz::SECURITY_PATH)->isEnabled());
      shows_kept(security);
      QCOMPARE(security->on_next(), 0);
      QVERIFY(env.converter().access.workgroup_file.empty());
      QVERIFY(env.converter().access.workgroup_user.empty());
      // Shown again on the next visit, though the converter holds none.
      security->page_init();
      QVERIFY(!use->isChecked());
      shows_kept(security);
    }
    // Saved with none in use, the settings are still the wizard's.
    wizard_env env;
    QVERIFY(env.converter().access.workgroup_file.empty());
    QCOMPARE(QString::fromStdWString(env.converter().source_name()), other);
    wizard_page* security = page(env, 105);
    auto* use = security->ctrl<QCheckBox>(wiz::SECURITY_USE);
    QVERIFY(!use->isChecked());
    shows_kept(security);
    // The file they opened is chosen again: checked, and in use on Next.
    env.converter().set_source_name(sample.toStdWString());
    security->page_init();
    QVERIFY(use->isChecked());
    QVERIFY(security->control(wiz::SECURITY_PASSWORD)->isEnabled());
    shows_kept(security);
    QCOMPARE(security->on_next(), 0);
    QCOMPARE(QString::fromStdWString(env.converter().access.workgroup_file), mdw);
    QCOMPARE(env.converter().access.workgroup_password, std::wstring(L"pw"));
    // Settings set elsewhere (a profile of another file) show checked.
    env.converter().access.store_ugl_settings(L"/tmp/other.mdw", L"joe", L"");
    env.converter().set_source_name(other.toStdWString());
    security->page_init();
    QVERIFY(use->isChecked());
    // Emptied fields are forgotten by the wizard too.
    for (int id : {wiz::SECURITY_PATH, wiz::SECURITY_USER, wiz::SECURITY_PASSWORD})
      security->ctrl<QLineEdit>(id)->clear();
    QCOMPARE(security->on_next(), 0);
    security->page_init();
    QVERIFY(!use->isChecked());
    QVERIFY(security->ctrl<QLineEdit>(wiz::SECURITY_PATH)->text().isEmpty());
  }

  void source_page_checks_in_order_and_stores_settings() {
    wizard_env env;
    env.converter().set_source_name(L"");
    env.converter().access.database_password = L"";
    env.converter().set_mode(UDB_MODE_OVERWRITE);
    wizard_page* p = page(env, 106);
    QVERIFY(p->ctrl<QRadioButton>(wiz::SOURCE_OVERWRITE)->isChecked());
    QVERIFY(!p->control(wiz::SOURCE_PASSWORD)->isEnabled());
    QCOMPARE(p->on_next(), -1);
    QCOMPARE(env.presenter->boxes.back().kind, box::message);
    QCOMPARE(env.last_text(), QStringLiteral("You should enter MS Access database name"));
    p->ctrl<QLineEdit>(wiz::SOURCE_PATH)->setText(QStringLiteral("/nonexistent/db.mdb"));
    QCOMPARE(p->on_next(), -1);
    QCOMPARE(env.presenter->boxes.back().kind, box::error);
    QCOMPARE(env.last_text(), QStringLiteral("Source file does not exist.\r\n"
                                             "Please verify the correct path was given.\r\n\r\n"
                                             "/nonexistent/db.mdb"));
    // Not an Access file: the source's own error, and the page stays.
    p->ctrl<QLineEdit>(wiz::SOURCE_PATH)->setText(QStringLiteral(TARVEL_SOURCE_DIR "/README.md"));
    const size_t before = env.presenter->boxes.size();
    QCOMPARE(p->on_next(), -1);
    QCOMPARE(env.presenter->boxes.size(), before + 1);
    QCOMPARE(env.presenter->boxes.back().kind, box::error);
    QVERIFY(!env.last_text().isEmpty());
    // An unchecked "Use password" stores an empty password whatever the password field holds.
    p->ctrl<QLineEdit>(wiz::SOURCE_PASSWORD)->setText(QStringLiteral("secret"));
    p->ctrl<QLineEdit>(wiz::SOURCE_PATH)
        ->setText(QStringLiteral(TARVEL_SOURCE_DIR "/samples/sample.mdb"));
    p->ctrl<QRadioButton>(wiz::SOURCE_MERGE)->setChecked(true);
    p->ctrl<QCheckBox>(wiz::SOURCE_SKIP_INDEXES)->setChecked(true);
    p->ctrl<QCheckBox>(wiz::SOURCE_UPPERCASE)->setChecked(false);
    QCOMPARE(p->on_next(), 0);
    QCOMPARE(env.converter().access.database_password, std::wstring());
    QCOMPARE(env.converter().mode(), int32_t(UDB_MODE_MERGE));
    QVERIFY(env.converter().skip_indexes);
    QVERIFY(!env.converter().uppercase);
    QVERIFY(p->invert_chbox(wiz::SOURCE_USE_PASSWORD));
    QVERIFY(p->control(wiz::SOURCE_PASSWORD)->isEnabled());
    p->on_back();
    QCOMPARE(env.converter().access.database_password, std::wstring(L"secret"));
    // A relative source path shows made absolute.
    env.converter().set_source_name(L"samples/../samples/sample.mdb");
    p->page_init();
    QVERIFY(QFileInfo(p->ctrl<QLineEdit>(wiz::SOURCE_PATH)->text()).isAbsolute());
    QVERIFY(!p->ctrl<QLineEdit>(wiz::SOURCE_PATH)->text().contains(QStringLiteral("..")));
    // The number of tables converted at once: 1 to 64, shown and stored.
    auto* jobs = p->findChild<QSpinBox*>(QStringLiteral("1233"));
    QVERIFY(jobs != nullptr);
    QCOMPARE(jobs->minimum(), 1);
    QCOMPARE(jobs->maximum(), 64);
    jobs->setValue(6);
    p->on_back();
    QCOMPARE(env.converter().jobs, 6);
    env.converter().jobs = 3;
    p->page_init();
    QCOMPARE(jobs->value(), 3);
  }

  void welcome_page_loads_a_profile_for_the_next_pages() {
    QTemporaryDir dir;
    const QString profile = dir.filePath(QStringLiteral("sales.tarvel"));
    {
      wizard_env env(false);
      tarvel_convertor& conv = env.converter();
      conv.oracle.store_oracle_settings(L"db.example", L"sales", L"pw", L"1530");
      conv.set_destination_name(L"SALESDB");
      conv.store_profile_file(profile.toStdWString());
      conv.set_destination_name(L"OTHER");
    }
    wizard_env env;
    env.presenter->files.push_back(profile);
    env.page()->ctrl<QAbstractButton>(wiz::WELCOME_LOAD_SETTINGS)->click();
    QCOMPARE(env.presenter->file_titles, QStringList{QStringLiteral("Select Profile File")});
    QVERIFY(env.presenter->boxes.empty());
    QVERIFY(env.next());
    QCOMPARE(env.edit(wiz::ORACLE_DATABASE)->text(), QStringLiteral("SALESDB"));
    QCOMPARE(env.edit(wiz::ORACLE_SERVER)->text(), QStringLiteral("db.example"));
    QCOMPARE(env.edit(wiz::ORACLE_PORT)->text(), QStringLiteral("1530"));
    QCOMPARE(env.edit(wiz::ORACLE_USER)->text(), QStringLiteral("sales"));
    QCOMPARE(env.edit(wiz::ORACLE_PASSWORD)->text(), QStringLiteral("pw"));
  }

  void bad_profiles_change_nothing() {
    QTemporaryDir dir;
    const QString garbage = dir.filePath(QStringLiteral("garbage.tarvel"));
    const QString long_line = dir.filePath(QStringLiteral("long.tarvel"));
    QFile f(garbage);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("dest=STOLEN\n[Oracle Settings]\nhost=evil\n");
    f.close();
    QFile g(long_line);
    QVERIFY(g.open(QIODevice::WriteOnly));
    g.write("[Generic settings]\ndest=" + QByteArray(9000, 'x') + "\n");
    g.close();
    wizard_env env;
    env.converter().set_destination_name(L"KEEP");
    env.converter().oracle.host = L"keep";
    for (const QString& path :
         {garbage, long_line, dir.filePath(QStringLiteral("missing.tarvel"))}) {
      env.presenter->boxes.clear();
      env.presenter->files.push_back(path);
      env.page()->ctrl<QAbstractButton>(wiz::WELCOME_LOAD_SETTINGS)->click();
      QCOMPARE(env.presenter->boxes.size(), size_t(1));
      QCOMPARE(env.presenter->boxes[0].kind, box::error);
      QCOMPARE(env.converter().destination_name(), std::wstring(L"KEEP"));
      QCOMPARE(env.converter().oracle.host, std::wstring(L"keep"));
    }
    QCOMPARE(env.last_text(),
             QStringLiteral("Profile does not exist. Please verify the correct path/name was "
                            "given."));
  }

  void finish_page_shows_success_or_the_collected_errors() {
    {
      // A run that visited nothing does not claim success.
      wizard_env env;
      env.shell().go_to_page(wiz::PAGE_FINISH);
      QCOMPARE(env.page()->ctrl<QLabel>(wiz::FINISH_RESULT)->text(),
               QStringLiteral("No table was converted: none was selected.\n\nClick 'Finish' to "
                              "exit the wizard."));
    }
    {
      wizard_env env;
      table_outcome done;
      done.source_name = done.destination_name = L"Orders";
      done.rows_read = 3;
      env.converter().outcomes.push_back(done);
      env.shell().go_to_page(wiz::PAGE_FINISH);
      QCOMPARE(env.shell().currentId(), 116);
      wizard_page* p = env.page();
      QCOMPARE(p->ctrl<QLabel>(wiz::FINISH_RESULT)->text(),
               QStringLiteral("Wizard has migrated your MS Access database to\nOracle server "
                              "successfully.\n\nClick 'Finish' to exit the wizard."));
      QVERIFY(!p->control(wiz::FINISH_ERRORS)->isVisible());
      QVERIFY(!env.shell().button(QWizard::CancelButton)->isEnabled());
      QVERIFY(!env.shell().button(QWizard::HelpButton)->isEnabled());
    }
    wizard_env env;
    env.shell().add_error("Orders, record #1: value too large");
    env.shell().add_error("Orders, record #3:\nsecond");
    for (int i = 0; i < 30; ++i) env.shell().add_error("more");
    QCOMPARE(env.shell().errors().size(), size_t(20));
    env.shell().go_to_page(wiz::PAGE_FINISH);
    wizard_page* p = env.page();
    QCOMPARE(p->ctrl<QLabel>(wiz::FINISH_RESULT)->text(),
             QStringLiteral("There were some errors while converting the database.\nClick "
                            "'Finish' to exit the wizard."));
    auto* error_list = p->ctrl<QPlainTextEdit>(wiz::FINISH_ERRORS);
    QVERIFY(error_list->isVisible());
    QVERIFY(error_list->isReadOnly());
    QVERIFY(error_list->toPlainText().startsWith(
        QStringLiteral("Orders, record #1: value too large\n\nOrders, record #3: second\n\n")));
    // Finish ends the wizard with its result.
    QAbstractButton* finish = env.shell().button(QWizard::FinishButton);
    QVERIFY(finish->isVisible());
    finish->click();
    QVERIFY(!env.shell().isVisible());
    QCOMPARE(env.shell().result(), int(QDialog::Accepted));
  }

  void finish_page_saves_a_profile() {
    QTemporaryDir dir;
    wizard_env env;
    env.converter().set_destination_name(L"SAVED");
    env.shell().go_to_page(wiz::PAGE_FINISH);
    env.presenter->files.push_back(dir.filePath(QStringLiteral("out.tarvel")));
    env.page()->ctrl<QAbstractButton>(wiz::FINISH_SAVE_SETTINGS)->click();
    QCOMPARE(env.presenter->file_titles, QStringList{QStringLiteral("Select Profile File")});
    QFile f(dir.filePath(QStringLiteral("out.tarvel")));
    QVERIFY(f.open(QIODevice::ReadOnly));
    QVERIFY(f.readAll().contains("dest=SAVED"));
  }

  void cancel_asks_and_no_keeps_the_page() {
    wizard_env env;
    QVERIFY(env.next());
    env.presenter->answers = {false};
    env.shell().reject();
    QCOMPARE(env.presenter->boxes.back().text,
             QStringLiteral("Are you sure you want to exit the wizard?"));
    QCOMPARE(env.presenter->boxes.back().kind, box::question);
    QVERIFY(env.shell().isVisible());
    QCOMPARE(env.shell().currentId(), 132);
    // Escape is Cancel.
    env.presenter->answers = {true};
    QTest::keyClick(&env.shell(), Qt::Key_Escape);
    QVERIFY(!env.shell().isVisible());
    QCOMPARE(env.shell().result(), int(QDialog::Rejected));
  }

  void settings_are_remembered_between_runs() {
    {
      wizard_env env(false);
      env.converter().set_source_name(L"/data/remembered.mdb");
      env.converter().oracle.store_oracle_settings(L"", L"u1", L"p1", L"1522");
      env.converter().set_mode(UDB_MODE_SYNC);
      env.converter().only_definitions = true;
    }
    const QString file = wizard_config_home() + QStringLiteral("/Quillfern/Ferrolith/settings");
    struct stat st {};
    QCOMPARE(::stat(file.toLocal8Bit().constData(), &st), 0);
    QCOMPARE(st.st_mode & 0777, 0600u);
    wizard_env env;
    QCOMPARE(env.converter().source_name(), std::wstring(L"/data/remembered.mdb"));
    QCOMPARE(env.converter().oracle.host, std::wstring(L"localhost"));
    QCOMPARE(env.converter().mode(), int32_t(UDB_MODE_SYNC));
    wizard_page* p = page(env, 106);
    QVERIFY(p->ctrl<QRadioButton>(wiz::SOURCE_SYNCHRONIZE)->isChecked());
    QVERIFY(p->ctrl<QCheckBox>(wiz::SOURCE_DEFINITIONS_ONLY)->isChecked());
    QVERIFY(env.next());
    QCOMPARE(env.edit(wiz::ORACLE_USER)->text(), QStringLiteral("u1"));
    QCOMPARE(env.edit(wiz::ORACLE_PORT)->text(), QStringLiteral("1522"));
  }

  void help_opens_at_the_page_topic_or_reports_a_missing_file() {
    wizard_env env;
    QVERIFY(env.next());
    emit env.shell().helpRequested();
    auto* help = env.shell().findChild<help_window*>();
    QVERIFY(help != nullptr);
    QVERIFY(help->isVisible());
    QCOMPARE(help->browser()->source().fragment(), QString::number(wiz::HELP_ORACLE));
    QVERIFY(help->browser()->toPlainText().contains(QStringLiteral("Database name")));
    wizard_shell::set_help_file(QStringLiteral("/nonexistent/tarvel-wizard.html"));
    env.shell().display_help(wiz::HELP_WELCOME);
    wizard_shell::set_help_file(QStringLiteral(TARVEL_SOURCE_DIR "/GUI2/help/tarvel-wizard.html"));
    QCOMPARE(env.presenter->boxes.back().kind, box::error);
    QCOMPARE(env.last_text(), QStringLiteral("Help file does not exist. Reinstall the program."));
  }

  void f1_opens_the_help_of_the_page() {
    wizard_env env;
    QVERIFY(env.next());
    QVERIFY(QTest::qWaitForWindowActive(&env.shell()));
    QTest::keyClick(env.shell().focusWidget() ? env.shell().focusWidget() : &env.shell(),
                    Qt::Key_F1);
    auto* help = env.shell().findChild<help_window*>();
    QVERIFY(help != nullptr && help->isVisible());
    QCOMPARE(help->browser()->source().fragment(), QString::number(wiz::HELP_ORACLE));
  }

  void enter_presses_next_or_finish_whatever_button_has_the_focus() {
    wizard_env env;
    QVERIFY(QTest::qWaitForWindowActive(&env.shell()));
    QWidget* load = env.page()->control(wiz::WELCOME_LOAD_SETTINGS);
    load->setFocus();
    QTest::keyClick(load, Qt::Key_Return);
    QCOMPARE(env.shell().currentId(), 132);
    QVERIFY(env.presenter->file_titles.isEmpty());  // no Load Settings dialog

    env.shell().go_to_page(wiz::PAGE_FINISH);
    QCoreApplication::processEvents();
    QWidget* save = env.page()->control(wiz::FINISH_SAVE_SETTINGS);
    save->setFocus();
    QTest::keyClick(save, Qt::Key_Return);
    QVERIFY(env.presenter->file_titles.isEmpty());  // no Save Settings dialog
    QCOMPARE(env.shell().result(), int(QDialog::Accepted));
  }

  // Within a page and its sheet buttons, no two controls share an Alt key.
  void mnemonics_are_unique_on_every_page() {
    wizard_env env;
    auto key_of = [](QString text) {
      text.replace(QStringLiteral("&&"), QString());
      const int at = text.indexOf(QLatin1Char('&'));
      return at >= 0 && at + 1 < text.size() ? text.at(at + 1).toLower() : QChar();
    };
    QStringList sheet;
    for (auto which : {QWizard::BackButton, QWizard::NextButton, QWizard::CancelButton,
                       QWizard::HelpButton, QWizard::FinishButton})
      sheet << env.shell().button(which)->text();
    for (int id : env.shell().page_order()) {
      QMap<QChar, QString> taken;
      QStringList texts = sheet;
      for (QLabel* label : env.shell().page(id)->findChildren<QLabel*>()) texts << label->text();
      for (QAbstractButton* b : env.shell().page(id)->findChildren<QAbstractButton*>())
        texts << b->text();
      for (const QString& text : texts) {
        const QChar key = key_of(text);
        if (key.isNull()) continue;
        QVERIFY2(
            !taken.contains(key) || taken[key] == text,
            qPrintable(QStringLiteral("page %1: '%2' and '%3'").arg(id).arg(taken[key], text)));
        taken[key] = text;
      }
    }
  }

  void file_dialogs_start_in_the_current_or_the_last_folder() {
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("source")));
    QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("chosen")));
    const QString source = dir.filePath(QStringLiteral("source/db.mdb"));
    const QString chosen = dir.filePath(QStringLiteral("chosen/other.mdb"));
    {
      wizard_env env;
      wizard_page* p = page(env, 106);
      p->ctrl<QLineEdit>(wiz::SOURCE_PATH)->setText(source);  // need not exist: its folder does
      env.presenter->files.push_back(chosen);
      p->ctrl<QAbstractButton>(wiz::SOURCE_BROWSE)->click();
      QCOMPARE(env.presenter->file_folders.back(), dir.filePath(QStringLiteral("source")));
      QCOMPARE(p->ctrl<QLineEdit>(wiz::SOURCE_PATH)->text(), chosen);
      p->ctrl<QLineEdit>(wiz::SOURCE_PATH)->setText(QStringLiteral("/nonexistent/folder/db.mdb"));
      p->ctrl<QAbstractButton>(wiz::SOURCE_BROWSE)->click();
      QCOMPARE(env.presenter->file_folders.back(), dir.filePath(QStringLiteral("chosen")));
    }
    // The last folder is remembered with the settings.
    wizard_env env;
    env.page()->ctrl<QAbstractButton>(wiz::WELCOME_LOAD_SETTINGS)->click();
    QCOMPARE(env.presenter->file_titles.back(), QStringLiteral("Select Profile File"));
    QCOMPARE(env.presenter->file_folders.back(), dir.filePath(QStringLiteral("chosen")));
  }

  void watermark_area_has_the_picture_colour_below_it_on_a_tall_window() {
    wizard_env env;
    wizard_shell& shell = env.shell();
    shell.resize(shell.width(), shell.height() + 400);
    QTest::qWait(50);
    const QPixmap picture = wizard_shell::watermark();
    QLabel* area = nullptr;
    for (QLabel* label : shell.findChildren<QLabel*>())
      if (label->isVisible() && label->pixmap().size() == picture.size()) area = label;
    QVERIFY(area != nullptr);
    QVERIFY(area->height() > picture.height() + 100);
    const QImage shown = area->grab().toImage();
    const QColor bottom = picture.toImage().pixelColor(picture.width() / 2, picture.height() - 1);
    const qreal scale = shown.devicePixelRatio();
    const QPoint below(int(area->width() / 2 * scale), int((area->height() - 10) * scale));
    QCOMPARE(shown.pixelColor(below), bottom);
  }
};

QTEST_MAIN(wizard_pages_test)
#include "wizard_pages_test.moc"
