// Recording presenter and wizard environment of the wizard's tests.
#include "tests/GUI2/wizard_test_support.h"

#include <QApplication>
#include <QLineEdit>
#include <QProcess>
#include <QTest>

#include "GUI2/wizard_app.h"
#include "GUI2/wizard_error_reporter.h"
#include "GUI2/wizard_ids.h"
#include "GUI2/wizard_page.h"
#include "GUI2/wizard_shell.h"
#include "TK/tk_trace.h"
#include "common/error_handler.h"
#include "common/error_messages.h"
#include "common/tarvel_convertor.h"

void recording_presenter::show(box kind, QWidget*, const QString& caption, const QString& text) {
  boxes.push_back({kind, caption, text});
}

bool recording_presenter::ask(QWidget*, const QString& caption, const QString& text, bool) {
  boxes.push_back({box::question, caption, text});
  if (answers.empty()) return true;
  const bool yes = answers.front();
  answers.pop_front();
  return yes;
}

QString recording_presenter::choose_file(QWidget*, file_mode, const QString& title,
                                         const QStringList&, const QString&,
                                         const QString& start_folder) {
  file_titles.append(title);
  file_folders.append(start_folder);
  if (files.empty()) return {};
  QString path = files.front();
  files.pop_front();
  return path;
}

wizard_presenter::continue_answer recording_presenter::ask_continue(QWidget*, const QString&,
                                                                    const QString& text) {
  continue_texts.append(text);
  return {};
}

void recording_presenter::show_internal_error(QWidget*, const QString&, const QString& text) {
  internal_errors.append(text);
}

namespace {
QTemporaryDir* g_config = nullptr;
QTemporaryDir* g_engine = nullptr;
}  // namespace

void wizard_test_environment() {
  if (g_config) return;
  g_config = new QTemporaryDir;
  g_engine = new QTemporaryDir;
  qputenv("XDG_CONFIG_HOME", g_config->path().toLocal8Bit());
  qputenv("TARVEL_OCI_LIB", QByteArray(TARVEL_BIN) + "/liboraemb.so");
  qputenv("TARVEL_ORAEMB_DIR", g_engine->path().toLocal8Bit());
  qunsetenv("TARVEL_ORAEMB_CONFIG");
  wizard_shell::set_help_file(QStringLiteral(TARVEL_SOURCE_DIR "/GUI2/help/tarvel-wizard.html"));
  wiz_register_services();
}

QString wizard_config_home() {
  return g_config->path();
}
QString wizard_engine_dir() {
  return g_engine->path();
}

QString fixture(const QString& relative) {
  return QStringLiteral(TARVEL_TEST_DATA "/") + relative;
}

QString engine_sql(const QString& sql, const QString& service) {
  QProcess process;
  process.start(
      QStringLiteral(TARVEL_BIN "/oraemb-sql"),
      {QStringLiteral("--connect=//localhost:1521/") + service, QStringLiteral("--user=wiz"),
       QStringLiteral("--password=wiz"), QStringLiteral("--csv"), sql});
  if (!process.waitForFinished(30000) || process.exitCode() != 0) {
    qWarning() << "oraemb-sql failed:" << sql << process.readAllStandardError();
    return QStringLiteral("<failed>");
  }
  return QString::fromUtf8(process.readAllStandardOutput());
}

wizard_env::wizard_env(bool with_shell, bool quick) {
  auto recorder = std::make_unique<recording_presenter>();
  presenter = recorder.get();
  wizard_shell::set_presenter(std::move(recorder));
  log_ = std::make_unique<tk_log>("", false, 3, false);
  handler_ = std::make_unique<error_handler>(kOracleErrorMessageCount, kOracleErrorMessages,
                                             std::make_unique<wizard_error_reporter>());
  handler_->load_err_map(kDaoErrorMessageCount, kDaoErrorMessages);
  converter_ = std::make_unique<tarvel_convertor>(tarvel_front_end::wizard);
  if (!with_shell) return;
  shell_ = std::make_unique<wizard_shell>(wiz_sheet_title());
  wiz_add_pages(*shell_, quick);
  shell_->show();
  QCoreApplication::processEvents();
}

wizard_env::~wizard_env() {
  if (shell_) shell_->hide();
  shell_.reset();
  converter_.reset();
  handler_.reset();
  log_.reset();
  wizard_shell::set_presenter(nullptr);
}

tarvel_convertor& wizard_env::converter() {
  return *converter_;
}

wizard_page* wizard_env::page() const {
  return shell_->current_wizard_page();
}

QLineEdit* wizard_env::edit(int control_id) const {
  return page()->ctrl<QLineEdit>(control_id);
}

bool wizard_env::next() {
  const int before = shell_->currentId();
  shell_->next();
  QCoreApplication::processEvents();
  return shell_->currentId() != before;
}

void wizard_env::back() {
  shell_->back();
  QCoreApplication::processEvents();
}

void wizard_env::fill_oracle(const QString& user, const QString& password, const QString& service) {
  edit(wiz::ORACLE_SERVER)->setText(QStringLiteral("localhost"));
  edit(wiz::ORACLE_DATABASE)->setText(service);
  edit(wiz::ORACLE_PORT)->setText(QStringLiteral("1521"));
  edit(wiz::ORACLE_USER)->setText(user);
  edit(wiz::ORACLE_PASSWORD)->setText(password);
}

QString wizard_env::last_text() const {
  return presenter->boxes.empty() ? QString() : presenter->boxes.back().text;
}

QStringList leftover_windows() {
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  QStringList left;
  for (QWidget* w : QApplication::topLevelWidgets())
    left << QString::fromLatin1(w->metaObject()->className()) + QLatin1Char(' ') + w->objectName();
  return left;
}
