// Placeholder of the internal-error dialog: the message and OK.
#include "GUI2/dlg_error_ex.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "GUI2/wizard_presenter.h"

dlg_error_ex::dlg_error_ex(const QString& message, QWidget* parent) : QDialog(parent) {
  auto* layout = new QVBoxLayout(this);
  auto* text = new QLabel(wiz_display_text(message), this);
  text->setObjectName(QStringLiteral("1320"));
  text->setTextInteractionFlags(Qt::TextSelectableByMouse);
  layout->addWidget(text);
  auto* buttons = new QDialogButtonBox(this);
  QPushButton* ok = buttons->addButton(tr("OK"), QDialogButtonBox::AcceptRole);
  connect(ok, &QPushButton::clicked, this, [this] { done(RESULT_OK); });
  layout->addWidget(buttons);
}
