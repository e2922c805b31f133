// The continue dialog shown for an error in the data of a run.
#include "GUI2/dlg_error_continue.h"

#include <QCheckBox>
#include <QPushButton>

#include "GUI2/dlg_error_dialog_layout.h"
#include "GUI2/wizard_ids.h"
#include "TK/tk_trace.h"

dlg_error_continue::dlg_error_continue(const QString& message, QWidget* parent) : QDialog(parent) {
  tk_trace(2, "dlg_error_continue::ctor");
  setObjectName(QString::number(wiz::DLG_ERROR_CONTINUE));
  QVBoxLayout* layout = error_dialog_frame(this, message);
  auto* again = new QCheckBox(tr("&Do not show this dialog box again"), this);
  again->setObjectName(QString::number(wiz::ERROR_DO_NOT_SHOW_AGAIN));
  connect(again, &QCheckBox::toggled, this, [this](bool on) { do_not_show_again_ = on; });
  layout->addWidget(again);
  QHBoxLayout* buttons = error_dialog_button_row(layout);
  auto* go_on = new QPushButton(tr("Continue"), this);
  go_on->setObjectName(QString::number(RESULT_CONTINUE));
  auto* abort = new QPushButton(tr("Abort"), this);
  abort->setObjectName(QString::number(RESULT_ABORT));
  go_on->setDefault(true);
  buttons->addWidget(go_on);
  buttons->addWidget(abort);
  connect(go_on, &QPushButton::clicked, this, [this] { done(RESULT_CONTINUE); });
  connect(abort, &QPushButton::clicked, this, [this] { done(RESULT_ABORT); });
  go_on->setFocus();
  tk_trace(2, "dlg_error_continue::on_init");
}

void dlg_error_continue::reject() {
  done(RESULT_CONTINUE);
}
