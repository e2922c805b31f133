// The picture of the finish page after Verify for the README
// (scripts/wizard-pages-screenshots.sh): the sample database converted by
// the wizard's run into the embedded engine, one value then changed in
// Oracle, and the check run from the page. Not a test.
#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>

#include "GUI2/gui_finish_page.h"
#include "GUI2/wizard_app.h"
#include "GUI2/wizard_ids.h"
#include "GUI2/wizard_shell.h"
#include "common/error_handler.h"
#include "common/error_messages.h"
#include "common/tarvel_convertor.h"

namespace {
void settle(int ms) {
  QEventLoop loop;
  QTimer::singleShot(ms, &loop, &QEventLoop::quit);
  loop.exec();
}

bool run(const QString& program, const QStringList& args) {
  QProcess p;
  p.start(program, args);
  return p.waitForFinished(120000) && p.exitCode() == 0;
}
}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(".");
  const QString suffix = argc > 2 ? QString::fromLocal8Bit(argv[2]) : QString();
  QDir().mkpath(folder);
  QTemporaryDir settings, engine;
  qputenv("XDG_CONFIG_HOME", settings.path().toUtf8());
  qputenv("TARVEL_OCI_LIB", QByteArray(TARVEL_BIN) + "/liboraemb.so");
  qputenv("TARVEL_ORAEMB_DIR", engine.path().toUtf8());
  const QString sample = QStringLiteral(TARVEL_SOURCE_DIR "/samples/sample.mdb");
  // The sample converted by the wizard's own run, so that the page shows its
  // lines per table; then one value changed behind its back.
  error_handler handler(kOracleErrorMessageCount, kOracleErrorMessages);
  tarvel_convertor conv(tarvel_front_end::wizard);
  conv.set_source_name(sample.toStdWString());
  conv.set_destination_name(L"DEMO");
  conv.uppercase = false;
  conv.set_mode(UDB_MODE_OVERWRITE);
  conv.queries.clear();
  conv.oracle.store_oracle_settings(L"localhost", L"demo", L"demo", L"1521");
  try {
    conv.oracle.connect_oracle_server(L"DEMO");
    conv.get_all_tables(conv.selected_tables);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "cannot prepare the converted sample: %s\n", e.what());
    return 1;
  }
  conv();
  if (!run(QStringLiteral(TARVEL_BIN "/oraemb-sql"),
           {QStringLiteral("--connect=//localhost:1521/DEMO"), QStringLiteral("--user=demo"),
            QStringLiteral("--password=demo"),
            QStringLiteral("UPDATE \"Shipments\" SET \"Delivered\" = \"Delivered\" + 1/86400 WHERE "
                           "\"ShipmentID\" = 3")})) {
    std::fprintf(stderr, "cannot prepare the converted sample\n");
    return 1;
  }

  wizard_shell shell(wiz_sheet_title());
  shell.add_page(new gui_finish_page);
  shell.resize(720, 500);
  shell.show();
  settle(400);
  auto* verify = shell.currentPage()->findChild<QPushButton*>(QStringLiteral("verify"));
  verify->click();
  for (int waited = 0; !verify->isEnabled() && waited < 60000; waited += 50) settle(50);
  settle(300);
  const QString path =
      folder + QStringLiteral("/wizard-finish-verify") + suffix + QStringLiteral(".png");
  if (!shell.grab().save(path)) std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
  std::printf("%s\n", qPrintable(path));
  conv.oracle.set_destination(nullptr);
  return 0;
}
