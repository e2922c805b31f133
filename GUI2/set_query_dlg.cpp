// The "Add Query" dialog.
#include "GUI2/set_query_dlg.h"

#include <QApplication>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextCursor>
#include <algorithm>
#include <cwctype>

#include "GUI2/wizard_ids.h"
#include "GUI2/wizard_shell.h"
#include "TK/tk_desktop.h"
#include "TK/tk_trace.h"
#include "common/tarvel_convertor.h"

namespace {

bool starts_with_select(const std::wstring& text) {
  static const wchar_t kSelect[] = L"SELECT";
  if (text.size() < 6) return false;
  for (size_t i = 0; i < 6; ++i)
    if (static_cast<wchar_t>(std::towupper(text[i])) != kSelect[i]) return false;
  return true;
}

}  // namespace

set_query_dlg::set_query_dlg(const std::wstring& name, const std::wstring& query, QWidget* parent)
    : QDialog(parent), name_(name), query_(query) {
  tk_trace(2, "set_query_dlg::set_query_dlg");
  setObjectName(QString::number(wiz::DLG_SET_QUERY));
  setWindowTitle(tr("Add Query"));
  auto* layout = new QGridLayout(this);
  auto* name_label = new QLabel(tr("Store as Table:"), this);
  name_edit_ = new QLineEdit(this);
  name_edit_->setObjectName(QStringLiteral("1019"));
  name_edit_->setMaxLength(kMaxText);
  name_label->setBuddy(name_edit_);
  auto* query_label = new QLabel(tr("Query:"), this);
  query_edit_ = new QPlainTextEdit(this);
  query_edit_->setObjectName(QStringLiteral("1020"));
  query_edit_->setTabChangesFocus(true);
  query_edit_->setMinimumSize(420, 160);
  query_label->setBuddy(query_edit_);
  layout->addWidget(name_label, 0, 0);
  layout->addWidget(name_edit_, 1, 0);
  layout->addWidget(query_label, 2, 0);
  layout->addWidget(query_edit_, 3, 0);

  auto* buttons = new QVBoxLayout();
  auto add_button = [&](const QString& text, int id) {
    auto* b = new QPushButton(text, this);
    b->setObjectName(QString::number(id));
    b->setAutoDefault(false);
    buttons->addWidget(b);
    return b;
  };
  QPushButton* ok = add_button(tr("OK"), 1);
  QPushButton* cancel = add_button(tr("Cancel"), 2);
  buttons->addSpacing(12);
  QPushButton* test = add_button(tr("Test Query"), 129);
  buttons->addStretch(1);
  QPushButton* help = add_button(tr("Help"), 9);
  ok->setDefault(true);
  layout->addLayout(buttons, 0, 1, 4, 1);
  connect(ok, &QPushButton::clicked, this, &set_query_dlg::accept);
  connect(cancel, &QPushButton::clicked, this, &set_query_dlg::reject);
  connect(test, &QPushButton::clicked, this, &set_query_dlg::on_test_query);
  connect(help, &QPushButton::clicked, this, [] {
    if (wizard_shell* shell = wizard_shell::instance_ptr()) shell->display_help(wiz::HELP_QUERY);
  });
  connect(query_edit_, &QPlainTextEdit::textChanged, this, &set_query_dlg::limit_query_text);

  tk_trace(2, "set_query_dlg::on_init");
  name_edit_->setText(QString::fromStdWString(name_));
  query_edit_->setPlainText(QString::fromStdWString(query_));
  name_edit_->setFocus();
}

// The query edit holds at most kMaxText characters, as the name edit does:
// what the user sees is what is stored, nothing is cut unseen later.
void set_query_dlg::limit_query_text() {
  const QString text = query_edit_->toPlainText();
  if (text.size() <= kMaxText) return;
  QTextCursor cursor = query_edit_->textCursor();
  const int position = std::min(cursor.position(), static_cast<int>(kMaxText));
  query_edit_->setPlainText(text.left(kMaxText));
  cursor = query_edit_->textCursor();
  cursor.setPosition(position);
  query_edit_->setTextCursor(cursor);
}

bool set_query_dlg::check_select() {
  query_ = query_edit_->toPlainText().left(kMaxText).toStdWString();
  if (query_.empty()) return true;
  query_.erase(0, std::min(query_.find_first_not_of(skipped_), query_.size()));
  return starts_with_select(query_);
}

void set_query_dlg::accept() {
  tk_trace(2, "set_query_dlg::on_ok");
  name_ = name_edit_->text().left(kMaxText).toStdWString();
  if (name_.empty()) {
    wizard_shell::message(std::wstring(L"Table name is empty!"));
    return;
  }
  if (!check_select()) {
    wizard_shell::error(std::wstring(L"The query must start with SELECT."));
    return;
  }
  if (query_.empty()) {
    wizard_shell::error(std::wstring(L"Query is empty!"));
    return;
  }
  QDialog::accept();
}

void set_query_dlg::reject() {
  tk_trace(2, "set_query_dlg::on_cancel");
  done(2);
}

void set_query_dlg::on_test_query() {
  if (!check_select()) {
    wizard_shell::error(std::wstring(L"The query must start with SELECT."));
    return;
  }
  QApplication::setOverrideCursor(Qt::WaitCursor);
  const bool correct = tarvel_convertor::instance().test_query(query_);
  QApplication::restoreOverrideCursor();
  if (correct) {
    wizard_shell::message(std::wstring(L"The query is correct."));
  } else {
    wizard_shell::error(
        std::wstring(L"You have an error in your query syntax. Make sure that it is a correct SQL "
                     L"SELECT-statement. If the error persists, please report it at ") +
        std::wstring(TK_SUPPORT_ADDRESS, TK_SUPPORT_ADDRESS + sizeof(TK_SUPPORT_ADDRESS) - 1) +
        L".");
  }
}
