// The internal-error dialog.
#include "GUI2/dlg_error_ex.h"

#include <QPushButton>

#include "GUI2/dlg_error_dialog_layout.h"
#include "GUI2/wizard_ids.h"
#include "GUI2/wizard_shell.h"
#include "TK/tk_desktop.h"
#include "TK/tk_trace.h"

dlg_error_ex::dlg_error_ex(const QString& message, QWidget* parent)
    : QDialog(parent), message_(message) {
  tk_trace(2, "dlg_error_ex::ctor");
  setObjectName(QString::number(wiz::DLG_ERROR_EX));
  QVBoxLayout* layout = error_dialog_frame(this, message);
  QHBoxLayout* buttons = error_dialog_button_row(layout);
  auto* send = new QPushButton(tr("Send bug"), this);
  send->setObjectName(QString::number(RESULT_SEND_BUG));
  auto* ok = new QPushButton(tr("OK"), this);
  ok->setObjectName(QString::number(RESULT_OK));
  auto* copy = new QPushButton(tr("Copy to clipboard"), this);
  copy->setObjectName(QString::number(RESULT_COPY));
  send->setDefault(true);
  buttons->addWidget(send);
  buttons->addWidget(ok);
  buttons->addWidget(copy);
  connect(send, &QPushButton::clicked, this, &dlg_error_ex::on_send_bug);
  connect(ok, &QPushButton::clicked, this, [this] { done(RESULT_OK); });
  connect(copy, &QPushButton::clicked, this, &dlg_error_ex::on_copy);
  send->setFocus();
  tk_trace(2, "dlg_error_ex::on_init");
}

void dlg_error_ex::on_send_bug() {
  const QString title =
      wizard_shell::is_initialized() ? wizard_shell::instance_ptr()->title() : QString();
  tk_send_bug(title.toStdString(), message_.toStdString());
  done(RESULT_SEND_BUG);
}

void dlg_error_ex::on_copy() {
  tk_copy_to_clipboard2(message_.toStdWString());
  done(RESULT_COPY);
}
