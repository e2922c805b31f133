// Oracle connection page and its connection worker.
#include "GUI2/oracle_settings_page.h"

#include <QApplication>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>
#include <cstdio>
#include <cstdlib>

#include "GUI2/connecting_dialog.h"
#include "GUI2/connection_attempt.h"
#include "GUI2/wizard_ids.h"
#include "GUI2/wizard_shell.h"
#include "ORA/ora_exception.h"
#include "TK/tk_text.h"
#include "TK/tk_trace.h"
#include "common/error_handler.h"
#include "common/tarvel_convertor.h"

namespace {

constexpr int kMaxField = 259;

// Shows why a logon failed, as the page always has: Oracle's and the
// toolkit's errors through the error map (the page stays); an internal
// assertion or an unknown exception ends the process (-1) after its message.
void report_failure(connection_attempt::failure kind, int32_t code, const std::string& message) {
  using failure = connection_attempt::failure;
  switch (kind) {
    case failure::none:
      return;
    case failure::oracle:
    case failure::toolkit: {
      const std::string mapped = error_handler::instance().converter().convert(code);
      wizard_shell::error(mapped.empty() ? message : mapped);
      return;
    }
    case failure::internal:
      wizard_shell::show_internal_error(message);
      break;
    case failure::other:
      wizard_shell::error(message);
      break;
  }
  std::fflush(nullptr);
  std::_Exit(-1);
}

QLineEdit* make_field(QWidget* parent) {
  auto* edit = new QLineEdit(parent);
  edit->setMaxLength(kMaxField);
  return edit;
}

}  // namespace

oracle_settings_page::oracle_settings_page(QWidget* parent)
    : wizard_page(wiz::PAGE_ORACLE, parent) {
  setTitle(tr("Step 1 of 5"));
  setSubTitle(tr("Connect to Oracle server"));
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(
      new QLabel(tr("If the program has been installed on Oracle server machine, you can leave\n"
                    "'Server' editbox empty. It is necessary to specify the port only if it "
                    "differs\nfrom default value 1521."),
                 this));
  layout->addSpacing(8);
  auto* form = new QFormLayout;
  const auto add = [&](const QString& label, int id, bool password) {
    QLineEdit* edit = with_id(make_field(this), id);
    if (password) edit->setEchoMode(QLineEdit::Password);
    auto* text = new QLabel(label, this);
    text->setBuddy(edit);
    form->addRow(text, edit);
  };
  add(tr("&Server (IP or network name):"), wiz::ORACLE_SERVER, false);
  add(tr("&Database name:"), wiz::ORACLE_DATABASE, false);
  add(tr("Po&rt:"), wiz::ORACLE_PORT, false);
  add(tr("&Username:"), wiz::ORACLE_USER, false);
  add(tr("&Password:"), wiz::ORACLE_PASSWORD, true);
  layout->addLayout(form);
  layout->addStretch(1);
}

oracle_settings_page::~oracle_settings_page() {
  // An attempt left behind ends before the session it uses.
  left_behind_.reset();
}

bool oracle_settings_page::attempt_running() const {
  return left_behind_ && !left_behind_->finished();
}

int oracle_settings_page::help_context() const {
  return wiz::HELP_ORACLE;
}

int oracle_settings_page::page_init() {
  tk_trace(2, "ora_settings_page2<t_converter>::page_init");
  const tarvel_convertor& conv = tarvel_convertor::instance();
  const auto set = [&](int id, const std::wstring& text) {
    ctrl<QLineEdit>(id)->setText(QString::fromStdWString(text));
  };
  set(wiz::ORACLE_DATABASE, conv.destination_name());
  set(wiz::ORACLE_SERVER, conv.oracle.host);
  set(wiz::ORACLE_PORT, conv.oracle.port);
  set(wiz::ORACLE_USER, conv.oracle.user);
  set(wiz::ORACLE_PASSWORD, conv.oracle.password);
  return 0;
}

void oracle_settings_page::store_settings() {
  tk_trace(2, "oracle_settings_page2<t_converter>::store_settings");
  tarvel_convertor& conv = tarvel_convertor::instance();
  const auto get = [&](int id) {
    return ctrl<QLineEdit>(id)->text().left(kMaxField).toStdWString();
  };
  conv.oracle.store_oracle_settings(get(wiz::ORACLE_SERVER), get(wiz::ORACLE_USER),
                                    get(wiz::ORACLE_PASSWORD), get(wiz::ORACLE_PORT));
  conv.set_destination_name(get(wiz::ORACLE_DATABASE));
}

void oracle_settings_page::on_back() {
  store_settings();
}

bool oracle_settings_page::connect_oracle() {
  using failure = connection_attempt::failure;
  tarvel_convertor& conv = tarvel_convertor::instance();
  try {
    tk_wtrace(2, L"Just before calling 'connect_oracle_server', dest=%s", conv.destination_name());
    conv.oracle.connect_oracle_server(conv.destination_name());
    return true;
  } catch (const ora_exception& e) {
    report_failure(failure::oracle, e.code(), e.message());
  } catch (const tk_mail_assertion& e) {
    report_failure(failure::internal, e.code(), e.message());
  } catch (const tk_exception& e) {
    // Failures below Oracle itself (no client library, a bad port number):
    // the user may correct the settings, so the page stays.
    report_failure(failure::toolkit, e.code(), e.message());
  } catch (const std::exception& e) {
    report_failure(failure::other, 0, e.what());
  }
  return false;
}

int oracle_settings_page::on_next() {
  tk_trace(2, "oracle_settings_page::on_next");
  store_settings();
  if (tarvel_convertor::instance().destination_name().empty()) {
    wizard_shell::message(L"You should enter Oracle database name");
    return -1;
  }
  connected_ = false;
  tarvel_convertor& conv = tarvel_convertor::instance();
  // The database open before goes first, as a new logon replaces its session.
  conv.oracle.set_destination(nullptr);
  connection_attempt::settings values{conv.oracle.host, conv.oracle.user, conv.oracle.password,
                                      conv.oracle.port, conv.destination_name()};
  connecting_dialog dialog(window());
  auto attempt =
      std::make_unique<connection_attempt>(conv.oracle.engine, std::move(values),
                                           std::move(left_behind_), [&dialog] { dialog.finish(); });
  // Closing the wizard meanwhile cancels the connection as well.
  QMetaObject::Connection closing;
  if (auto* sheet = qobject_cast<QDialog*>(window()))
    closing = connect(sheet, &QDialog::finished, &dialog, &connecting_dialog::cancel);
  const bool cancelled = dialog.exec() != QDialog::Accepted;
  disconnect(closing);
  if (cancelled) {
    tk_trace(2, "The connection was cancelled");
    attempt->abandon();
    left_behind_ = std::move(attempt);
    return -1;
  }
  connection_attempt::outcome result = attempt->take();
  attempt.reset();
  if (!result.database) {
    tk_trace(2, "Cannot connect to Oracle");
    report_failure(result.failed, result.code, result.message);
    return -1;
  }
  conv.oracle.set_destination(std::move(result.database));
  connected_ = true;
  // A logon that succeeded with a warning (the password will expire) is told
  // to the user; the wizard goes on.
  if (!result.warning.empty())
    if (error_handler* handler = error_handler::instance_ptr())
      handler->warn(tk_to_utf8(result.warning));
  tk_trace(2, "Connection has been established");
  return 0;
}
