// The wizard's help window: the HTML help file in a QTextBrowser, opened at
// the anchor of a context number ("#1003") or at the top for the default
// topic. One window per shell, reused for every request.
#pragma once

#include <QDialog>

class QTextBrowser;

class help_window : public QDialog {
  Q_OBJECT
 public:
  help_window(const QString& title, QWidget* parent);
  void show_topic(const QString& file, int context);
  QTextBrowser* browser() const { return browser_; }

 private:
  QTextBrowser* browser_;
};
