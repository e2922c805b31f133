// Help window over the wizard.
#include "GUI2/help_window.h"

#include <QDialogButtonBox>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

help_window::help_window(const QString& title, QWidget* parent) : QDialog(parent) {
  setWindowTitle(title.trimmed() + tr(" Help"));
  setModal(false);
  auto* layout = new QVBoxLayout(this);
  browser_ = new QTextBrowser(this);
  browser_->setObjectName(QStringLiteral("help"));
  browser_->setOpenExternalLinks(true);
  layout->addWidget(browser_);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::close);
  layout->addWidget(buttons);
  resize(560, 480);
}

void help_window::show_topic(const QString& file, int context) {
  QUrl url = QUrl::fromLocalFile(file);
  if (context != 0) url.setFragment(QString::number(context));
  browser_->setSource(url);
  if (context != 0) browser_->scrollToAnchor(QString::number(context));
  show();
  raise();
  activateWindow();
}
