// Walks the wizard's pages with the sample database into the embedded engine
// in a real window and saves a PNG of every page (and of the connecting
// dialog and the help window) into the folder given as the only argument.
// Run by scripts/wizard-screenshots.sh under Xvfb; not a test.
#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QLineEdit>
#include <QRadioButton>
#include <QTest>
#include <cstdio>

#include "GUI2/connecting_dialog.h"
#include "GUI2/help_window.h"
#include "GUI2/wizard_ids.h"
#include "GUI2/wizard_page.h"
#include "GUI2/wizard_shell.h"
#include "tests/GUI2/wizard_test_support.h"

namespace {

QString g_dir;
QString g_suffix;
int g_failures = 0;

void settle() {
  for (int i = 0; i < 10; ++i) {
    QCoreApplication::processEvents();
    QTest::qWait(30);
  }
}

void save(QWidget* widget, const QString& name) {
  settle();
  const QString path = g_dir + QLatin1Char('/') + name + g_suffix + QStringLiteral(".png");
  if (!widget->grab().save(path)) {
    std::fprintf(stderr, "cannot save %s\n", qPrintable(path));
    ++g_failures;
    return;
  }
  std::printf("%s\n", qPrintable(path));
}

void expect(bool ok, const char* what) {
  if (ok) return;
  std::fprintf(stderr, "walk failed: %s\n", what);
  ++g_failures;
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  if (argc < 2) {
    std::fprintf(stderr, "usage: wizard_screenshots DIR [SUFFIX]\n");
    return 2;
  }
  g_dir = QString::fromLocal8Bit(argv[1]);
  g_suffix = argc > 2 ? QString::fromLocal8Bit(argv[2]) : QString();
  QDir().mkpath(g_dir);
  wizard_test_environment();
  {
    wizard_env env;
    wizard_shell& shell = env.shell();
    shell.raise();
    save(&shell, QStringLiteral("1-welcome"));
    expect(env.next(), "welcome");
    env.fill_oracle();
    save(&shell, QStringLiteral("2-oracle"));
    {
      connecting_dialog dialog(&shell);
      dialog.show();
      save(&dialog, QStringLiteral("2b-connecting"));
    }
    expect(env.next(), "oracle");
    env.page()->ctrl<QCheckBox>(wiz::SECURITY_USE)->setChecked(true);
    save(&shell, QStringLiteral("3-security"));
    env.page()->ctrl<QCheckBox>(wiz::SECURITY_USE)->setChecked(false);
    for (int id : {wiz::SECURITY_PATH, wiz::SECURITY_USER, wiz::SECURITY_PASSWORD})
      env.edit(id)->clear();
    expect(env.next(), "security");
    env.edit(wiz::SOURCE_PATH)->setText(QStringLiteral(TARVEL_SOURCE_DIR "/samples/sample.mdb"));
    env.page()->ctrl<QRadioButton>(wiz::SOURCE_OVERWRITE)->setChecked(true);
    save(&shell, QStringLiteral("4-settings"));
    expect(env.next(), "settings");
    env.page()->ctrl<QAbstractButton>(wiz::TABLES_ADD_ALL)->click();  // Add all
    save(&shell, QStringLiteral("5-tables"));
    expect(env.next(), "tables");
    save(&shell, QStringLiteral("6-progress"));
    for (int i = 0; i < 600 && shell.currentId() != 116; ++i) QTest::qWait(100);
    expect(shell.currentId() == 116, "conversion");
    save(&shell, QStringLiteral("7-finish"));
    shell.add_error(
        "Orders: The structure of data source does not conform to the destination "
        "table.");
    shell.add_error("Shipments, record #2: ORA-12899: value too large for column");
    qobject_cast<wizard_page*>(shell.currentPage())->page_init();
    save(&shell, QStringLiteral("7b-finish-errors"));
    shell.display_help(wiz::HELP_SOURCE);
    if (auto* help = shell.findChild<help_window*>()) save(help, QStringLiteral("8-help"));
  }
  return g_failures == 0 ? 0 : 1;
}
