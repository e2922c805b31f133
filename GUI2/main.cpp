// tarvel-wizard: the desktop wizard. One optional argument, a profile file:
// with it the wizard converts at once and shows only progress and finish.
#include <QApplication>
#include <cstdio>
#include <cstdlib>

#include "GUI2/wizard_app.h"

namespace {
// Messages of the platform's start, held back: when it fails the user gets
// one line instead of Qt's explanations and an abort.
QStringList g_start_messages;

void on_start_message(QtMsgType type, const QMessageLogContext&, const QString& text) {
  if (type != QtFatalMsg) {
    g_start_messages.append(text);
    return;
  }
  std::fprintf(stderr,
               "tarvel-wizard: cannot open a window on the display (DISPLAY=%s, "
               "WAYLAND_DISPLAY=%s)\n",
               qgetenv("DISPLAY").constData(), qgetenv("WAYLAND_DISPLAY").constData());
  std::fflush(stderr);
  std::_Exit(-1);
}
}  // namespace

int main(int argc, char** argv) {
  if (!wiz_check_display()) return -1;
  qInstallMessageHandler(on_start_message);
  QApplication app(argc, argv);
  qInstallMessageHandler(nullptr);
  for (const QString& text : g_start_messages) std::fprintf(stderr, "%s\n", qPrintable(text));
  QApplication::setApplicationName(QStringLiteral("tarvel-wizard"));
  const QStringList args = QApplication::arguments();
  return wiz_run(args.size() > 1 ? args.at(1) : QString());
}
