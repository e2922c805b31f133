// The page base: the operations every page shares.
#include "GUI2/wizard_page.h"

#include <QAbstractButton>

#include "GUI2/wizard_shell.h"
#include "TK/tk_exception.h"
#include "TK/tk_trace.h"

wizard_page::wizard_page(int page_id, QWidget* parent) : QWizardPage(parent), page_id_(page_id) {}

wizard_page::~wizard_page() {
  tk_trace(2, "wizard_page::dtor");
}

bool wizard_page::on_cancel() {
  tk_trace(2, "wizard_page::on_cancel");
  return wizard_shell::question(L"Are you sure you want to exit the wizard?", true);
}

void wizard_page::on_help() {
  if (wizard_shell* shell = wizard_shell::instance_ptr()) shell->display_help(help_context());
}

void wizard_page::enable_ctrl(int control_id, bool enable) {
  tk_trace(2, "wizard_page::enable_ctrl(%d=%d)", control_id, enable ? 1 : 0);
  QWidget* widget = control(control_id);
  TK_ASSERT(widget != nullptr);
  widget->setEnabled(enable);
  if (enable) widget->setFocus(Qt::OtherFocusReason);
}

bool wizard_page::invert_chbox(int control_id) {
  tk_trace(2, "wizard_page::invert_chbox(%d)", control_id);
  auto* box = ctrl<QAbstractButton>(control_id);
  TK_ASSERT(box != nullptr && box->isCheckable());
  box->setChecked(!box->isChecked());
  return box->isChecked();
}

QWidget* wizard_page::control(int control_id) const {
  return findChild<QWidget*>(QString::number(control_id));
}

bool wizard_page::validatePage() {
  return on_next() == 0;
}

void wizard_page::cleanupPage() {
  on_back();
}

int wizard_page::nextId() const {
  wizard_shell* shell = wizard_shell::instance_ptr();
  return shell ? shell->page_after(page_id_) : -1;
}

bool wizard_page::isComplete() const {
  return (wizard_buttons() & (NEXT | FINISH)) != 0;
}
