// Finish page.
#include "GUI2/gui_finish_page.h"

#include <QAbstractButton>
#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QVBoxLayout>

#include "GUI2/welcome_page.h"
#include "GUI2/wizard_ids.h"
#include "GUI2/wizard_shell.h"
#include "TK/tk_trace.h"
#include "common/tarvel_convertor.h"

gui_finish_page::gui_finish_page(QWidget* parent) : wizard_page(wiz::PAGE_FINISH, parent) {
  setPixmap(QWizard::WatermarkPixmap, wizard_shell::watermark());
  auto* layout = new QVBoxLayout(this);
  auto* title = with_id(new QLabel(tr("Conversion is Completed"), this), 1313);
  title->setFont(wiz_title_font());
  layout->addWidget(title);
  layout->addSpacing(8);
  auto* result = with_id(new QLabel(this), 1314);
  result->setWordWrap(true);
  layout->addWidget(result);
  auto* errors = with_id(new QPlainTextEdit(this), 1016);
  errors->setReadOnly(true);
  errors->hide();
  errors->installEventFilter(this);
  layout->addWidget(errors, 1);
  layout->addStretch(0);
  auto* row = new QHBoxLayout;
  auto* save = with_id(new QPushButton(tr("&Save Settings"), this), 1116);
  connect(save, &QPushButton::clicked, this, &gui_finish_page::on_save_settings);
  row->addWidget(save);
  row->addStretch(1);
  layout->addLayout(row);
}

int gui_finish_page::page_init() {
  tk_trace(2, "gui_finish_page::page_init");
  control(1313)->setFont(wiz_title_font());
  wizard_shell* shell = wizard_shell::instance_ptr();
  if (shell) {
    shell->enable_button(wiz::BTN_CANCEL, false);
    shell->enable_button(wiz::BTN_HELP, false);
  }
  const std::vector<std::string> errors = shell ? shell->errors() : std::vector<std::string>{};
  auto* result = ctrl<QLabel>(1314);
  auto* box = ctrl<QPlainTextEdit>(1016);
  if (errors.empty()) {
    tk_trace(2, "Display success-message");
    result->setText(
        tr("Wizard has migrated your MS Access database to\nOracle server successfully.\n\n"
           "Click 'Finish' to exit the wizard."));
    box->hide();
    return 0;
  }
  tk_trace(2, "Display errors");
  result->setText(
      tr("There were some errors while converting the database.\nClick 'Finish' to exit the "
         "wizard."));
  QString text;
  for (std::string line : errors) {
    for (char& c : line)
      if (c == '\n') c = ' ';
    text += QString::fromStdString(line) + QStringLiteral("\r\n\r\n");
  }
  box->setPlainText(text);
  box->show();
  box->setReadOnly(true);
  return 0;
}

bool gui_finish_page::eventFilter(QObject* watched, QEvent* event) {
  if (watched == control(1016) && event->type() == QEvent::FocusIn) on_eb_focus();
  return wizard_page::eventFilter(watched, event);
}

void gui_finish_page::on_eb_focus() {
  tk_trace(2, "gui_finish_page::on_eb_focus");
  if (focus_seen_) return;
  focus_seen_ = true;
  auto* box = ctrl<QPlainTextEdit>(1016);
  QTextCursor cursor = box->textCursor();
  cursor.movePosition(QTextCursor::End);
  box->setTextCursor(cursor);
  box->ensureCursorVisible();
  if (wizard_shell* shell = wizard_shell::instance_ptr())
    if (QAbstractButton* finish = shell->button(QWizard::FinishButton))
      QMetaObject::invokeMethod(
          finish, [finish] { finish->setFocus(Qt::OtherFocusReason); }, Qt::QueuedConnection);
}

void gui_finish_page::on_save_settings() {
  const QString path =
      wizard_shell::choose_file(wizard_presenter::file_mode::save, tr("Select Profile File"),
                                wiz_profile_filters(), QLatin1String(wiz::PROFILE_EXTENSION));
  if (path.isEmpty()) return;
  tarvel_convertor::instance().store_profile_file(path.toStdWString());
}
