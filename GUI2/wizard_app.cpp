// Start-up of the wizard.
#include "GUI2/wizard_app.h"

#include <QApplication>
#include <QClipboard>
#include <QDesktopServices>
#include <QThread>
#include <QUrl>
#include <QUrlQuery>
#include <cstdio>
#include <cstdlib>

#include "GUI2/gui_finish_page.h"
#include "GUI2/oracle_settings_page.h"
#include "GUI2/progress_page.h"
#include "GUI2/sel_file_page.h"
#include "GUI2/sel_tables_page.h"
#include "GUI2/ugl_page.h"
#include "GUI2/welcome_page.h"
#include "GUI2/wizard_error_reporter.h"
#include "GUI2/wizard_shell.h"
#include "TK/tk_desktop.h"
#include "TK/tk_trace.h"
#include "common/error_handler.h"
#include "common/error_messages.h"
#include "common/init_conversion.h"
#include "common/tarvel_convertor.h"
#include "tarvel_version.h"

QString wiz_sheet_title() {
  return QStringLiteral("Ferrolith %1.%2 %3")
      .arg(TARVEL_VERSION_MAJOR)
      .arg(TARVEL_VERSION_MINOR)
      .arg(QString());
}

bool wiz_check_display() {
  const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
  const bool needs_display =
      platform.isEmpty() || platform.startsWith("xcb") || platform.startsWith("wayland");
  if (!needs_display || !qgetenv("DISPLAY").isEmpty() || !qgetenv("WAYLAND_DISPLAY").isEmpty())
    return true;
  std::fputs(
      "tarvel-wizard: cannot open a window: neither DISPLAY nor WAYLAND_DISPLAY is set (start it "
      "on a desktop, or use TARVAGENT on a console)\n",
      stderr);
  return false;
}

void wiz_register_services() {
  tk_set_clipboard_handler([](const std::wstring& text) {
    wizard_shell::run_on_gui_thread([&] {
      if (QClipboard* clipboard = QGuiApplication::clipboard())
        clipboard->setText(QString::fromStdWString(text));
    });
    return 0;
  });
  tk_set_mail_handler([](const tk_bug_report& report) {
    // A new mail in the user's mail client, to the report's address (none:
    // the user picks the recipient), with the subject and the report.
    QUrl url(QStringLiteral("mailto:") + QString::fromStdString(report.address));
    QUrlQuery query;
    query.addQueryItem(QStringLiteral("subject"), QString::fromStdString(report.subject));
    query.addQueryItem(QStringLiteral("body"),
                       QString::fromStdString(report.note + "\n\n" + report.date_time));
    url.setQuery(query);
    bool opened = false;
    wizard_shell::run_on_gui_thread([&] { opened = QDesktopServices::openUrl(url); });
    return opened ? 0 : 1;
  });
  init_conversion::set_start_hook([] {
    if (wizard_shell* shell = wizard_shell::instance_ptr())
      shell->start_timer(wizard_shell::kProgressInterval);
  });
}

void wiz_add_pages(wizard_shell& shell, bool quick_launch) {
  if (!quick_launch) {
    shell.add_page(new welcome_page);
    shell.add_page(new oracle_settings_page);
    shell.add_page(new ugl_page);
    shell.add_page(new sel_file_page);
    shell.add_page(new sel_tables_page);
  }
  shell.add_page(new progress_page);
  shell.add_page(new gui_finish_page);
}

bool wiz_prepare_quick_launch(const QString& profile) {
  tk_trace(2, "QUICK LAUNCH: profile=%s", profile.toStdString());
  if (!welcome_page::load_profile(profile)) return false;
  tarvel_convertor& conv = tarvel_convertor::instance();
  try {
    conv.access.check_acc_base(conv.source_name(), conv.access.database_password);
    // A profile that lists no table and no query converts every table, as
    // TARVAGENT does with it.
    if (conv.selected_tables.empty() && conv.queries.empty())
      conv.get_all_tables(conv.selected_tables);
  } catch (const tk_mail_assertion&) {
    throw;
  } catch (const tk_exception& e) {
    const std::string mapped = error_handler::instance().converter().convert(e.code());
    wizard_shell::error(mapped.empty() ? e.message() : mapped);
    return false;
  }
  return oracle_settings_page::connect_oracle();
}

int wiz_run(const QString& profile) {
  tk_log log("", false, 3, false);
  error_handler handler(kOracleErrorMessageCount, kOracleErrorMessages,
                        std::make_unique<wizard_error_reporter>());
  handler.load_err_map(kDaoErrorMessageCount, kDaoErrorMessages);
  wiz_register_services();
  int code = 0;
  try {
    tarvel_convertor converter(tarvel_front_end::wizard);
    const bool quick_launch = !profile.isEmpty();
    // A quick launch that cannot start (no profile, no source, no Oracle)
    // has said why; it ends with -1 so that a script sees the failure.
    if (quick_launch && !wiz_prepare_quick_launch(profile)) return -1;
    wizard_shell shell(wiz_sheet_title());
    wiz_add_pages(shell, quick_launch);
    code = shell.exec();
  } catch (const tk_exception& e) {
    handler.handle(e, true);
  } catch (const tk_final_exception&) {
  } catch (const std::exception& e) {
    wizard_shell::error(std::string(e.what()));
  }
  tk_set_clipboard_handler({});
  tk_set_mail_handler({});
  init_conversion::set_start_hook({});
  return code;
}
