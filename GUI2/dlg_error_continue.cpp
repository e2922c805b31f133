// Placeholder of the continue dialog: message, Continue, Abort, check box.
#include "GUI2/dlg_error_continue.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "GUI2/wizard_presenter.h"

dlg_error_continue::dlg_error_continue(const QString& message, QWidget* parent) : QDialog(parent) {
  auto* layout = new QVBoxLayout(this);
  auto* text = new QLabel(wiz_display_text(message), this);
  text->setObjectName(QStringLiteral("1320"));
  text->setWordWrap(true);
  layout->addWidget(text);
  auto* again = new QCheckBox(tr("&Do not show this dialog box again"), this);
  again->setObjectName(QStringLiteral("1222"));
  connect(again, &QCheckBox::toggled, this, [this](bool on) { do_not_show_again_ = on; });
  layout->addWidget(again);
  auto* buttons = new QDialogButtonBox(this);
  QPushButton* go_on = buttons->addButton(tr("Continue"), QDialogButtonBox::RejectRole);
  QPushButton* abort = buttons->addButton(tr("Abort"), QDialogButtonBox::AcceptRole);
  go_on->setDefault(true);
  connect(go_on, &QPushButton::clicked, this, [this] { done(RESULT_CONTINUE); });
  connect(abort, &QPushButton::clicked, this, [this] { done(RESULT_ABORT); });
  layout->addWidget(buttons);
}
