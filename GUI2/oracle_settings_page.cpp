// Oracle connection page and its connection worker.
#include "GUI2/oracle_settings_page.h"

#include <QApplication>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>
#include <atomic>
#include <cstdio>
#include <cstdlib>

#include "GUI2/connecting_dialog.h"
#include "GUI2/wizard_ids.h"
#include "GUI2/wizard_shell.h"
#include "ORA/ora_exception.h"
#include "TK/tk_thread.h"
#include "TK/tk_trace.h"
#include "common/error_handler.h"
#include "common/tarvel_convertor.h"

namespace {

constexpr int kMaxField = 259;

// The worker's body: connect, then close the dialog whatever happened.
class connection_job : public tk_job {
 public:
  explicit connection_job(connecting_dialog& dialog) : dialog_(dialog) {}
  void operator()() override {
    tk_trace(2, "oracle_settings_page::animation::operator()");
    connected = oracle_settings_page::connect_oracle();
    dialog_.finish();
  }
  std::atomic<bool> connected{false};

 private:
  connecting_dialog& dialog_;
};

class connection_thread : public tk_thread {
 public:
  explicit connection_thread(connecting_dialog& dialog) : job_(dialog) {}
  ~connection_thread() override {
    if (running()) kill();
  }
  bool connected() const { return job_.connected.load(); }

 protected:
  tk_job* create_job() override {
    set_job_owned(false);
    return &job_;
  }

 private:
  connection_job job_;
};

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
  add(tr("&Server (IP or network name):"), 1003, false);
  add(tr("&Database name:"), 1014, false);
  add(tr("Po&rt:"), 1004, false);
  add(tr("&Username:"), 1012, false);
  add(tr("&Password:"), 1013, true);
  layout->addLayout(form);
  layout->addStretch(1);
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
  set(1014, conv.destination_name());
  set(1003, conv.oracle.host);
  set(1004, conv.oracle.port);
  set(1012, conv.oracle.user);
  set(1013, conv.oracle.password);
  return 0;
}

void oracle_settings_page::store_settings() {
  tk_trace(2, "oracle_settings_page2<t_converter>::store_settings");
  tarvel_convertor& conv = tarvel_convertor::instance();
  const auto get = [&](int id) {
    return ctrl<QLineEdit>(id)->text().left(kMaxField).toStdWString();
  };
  conv.oracle.store_oracle_settings(get(1003), get(1012), get(1013), get(1004));
  conv.set_destination_name(get(1014));
}

void oracle_settings_page::on_back() {
  store_settings();
}

bool oracle_settings_page::connect_oracle() {
  tarvel_convertor& conv = tarvel_convertor::instance();
  try {
    tk_wtrace(2, L"Just before calling 'connect_oracle_server', dest=%s", conv.destination_name());
    conv.oracle.connect_oracle_server(conv.destination_name());
    return true;
  } catch (const ora_exception& e) {
    const std::string mapped = error_handler::instance().converter().convert(e.code());
    wizard_shell::error(mapped.empty() ? e.message() : mapped);
  } catch (const tk_mail_assertion& e) {
    wizard_shell::show_internal_error(e.message());
    std::fflush(nullptr);
    std::_Exit(-1);
  } catch (const tk_exception& e) {
    // Failures below Oracle itself (no client library, a bad port number):
    // the user may correct the settings, so the page stays.
    const std::string mapped = error_handler::instance().converter().convert(e.code());
    wizard_shell::error(mapped.empty() ? e.message() : mapped);
  } catch (const std::exception& e) {
    wizard_shell::error(std::string(e.what()));
    std::fflush(nullptr);
    std::_Exit(-1);
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
  connecting_dialog dialog(window());
  {
    connection_thread worker(dialog);
    worker.start();
    dialog.exec();
    if (worker.running()) worker.kill();
    connected_ = worker.connected();
  }
  if (!connected_) {
    tk_trace(2, "Cannot connect to Oracle");
    return -1;
  }
  tk_trace(2, "Connection has been established");
  return 0;
}
