// The layout the two error dialogs share.
#include "GUI2/dlg_error_dialog_layout.h"

#include <QStyle>

#include "GUI2/wizard_ids.h"
#include "GUI2/wizard_presenter.h"

QVBoxLayout* error_dialog_frame(QDialog* dialog, const QString& message) {
  auto* outer = new QVBoxLayout(dialog);
  auto* top = new QHBoxLayout();
  auto* icon = new QLabel(dialog);
  const int size = dialog->style()->pixelMetric(QStyle::PM_MessageBoxIconSize, nullptr, dialog);
  icon->setPixmap(
      dialog->style()->standardIcon(QStyle::SP_MessageBoxCritical, nullptr, dialog).pixmap(size));
  icon->setAlignment(Qt::AlignTop);
  top->addWidget(icon);
  auto* text = new QLabel(wiz_display_text(message), dialog);
  text->setObjectName(QString::number(wiz::ERROR_MESSAGE));
  text->setWordWrap(true);
  text->setTextInteractionFlags(Qt::TextSelectableByMouse);
  text->setMinimumWidth(360);
  text->setAlignment(Qt::AlignTop | Qt::AlignLeft);
  top->addWidget(text, 1);
  outer->addLayout(top);
  return outer;
}

QHBoxLayout* error_dialog_button_row(QVBoxLayout* layout) {
  auto* row = new QHBoxLayout();
  row->addStretch(1);
  layout->addSpacing(8);
  layout->addLayout(row);
  return row;
}
