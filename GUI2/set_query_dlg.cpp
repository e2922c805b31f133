// The "Add Query" dialog.
#include "GUI2/set_query_dlg.h"

#include <QApplication>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStandardItemModel>
#include <QTextCursor>
#include <algorithm>
#include <cwctype>

#include "GUI2/wizard_ids.h"
#include "GUI2/wizard_shell.h"
#include "TK/tk_desktop.h"
#include "TK/tk_trace.h"
#include "common/source_check.h"
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

set_query_dlg::set_query_dlg(const std::wstring& name, const std::wstring& query, QWidget* parent,
                             const std::vector<source_saved_query>& saved)
    : QDialog(parent), name_(name), query_(query), saved_(saved) {
  tk_trace(2, "set_query_dlg::set_query_dlg");
  setObjectName(QString::number(wiz::DLG_SET_QUERY));
  setWindowTitle(tr("Add Query"));
  auto* layout = new QGridLayout(this);
  auto* name_label = new QLabel(tr("Store as Table:"), this);
  name_edit_ = new QLineEdit(this);
  name_edit_->setObjectName(QString::number(wiz::QUERY_NAME));
  name_edit_->setMaxLength(kMaxText);
  name_label->setBuddy(name_edit_);
  auto* query_label = new QLabel(tr("Query:"), this);
  query_edit_ = new QPlainTextEdit(this);
  query_edit_->setObjectName(QString::number(wiz::QUERY_TEXT));
  query_edit_->setTabChangesFocus(true);
  query_edit_->setMinimumSize(420, 160);
  query_label->setBuddy(query_edit_);
  int row = 0;
  if (!saved_.empty()) {
    auto* saved_label = new QLabel(tr("&Saved query of the source database:"), this);
    saved_box_ = new QComboBox(this);
    saved_box_->setObjectName(QString::number(wiz::QUERY_SAVED_QUERIES));
    saved_box_->setPlaceholderText(tr("(choose one to convert it)"));
    saved_box_->setToolTip(tr("Greyed queries cannot be converted; point at one to see why."));
    saved_box_->setMaxVisibleItems(20);
    saved_label->setBuddy(saved_box_);
    auto* model = qobject_cast<QStandardItemModel*>(saved_box_->model());
    for (const source_saved_query& q : saved_) {
      saved_box_->addItem(QString::fromStdWString(q.name));
      if (q.runnable || !model) continue;
      QStandardItem* item = model->item(saved_box_->count() - 1);
      item->setEnabled(false);
      item->setToolTip(QString::fromStdWString(q.reason));
    }
    saved_box_->setCurrentIndex(-1);
    layout->addWidget(saved_label, row++, 0);
    layout->addWidget(saved_box_, row++, 0);
    connect(saved_box_, &QComboBox::activated, this, &set_query_dlg::on_saved_query);
    setTabOrder(saved_box_, name_edit_);  // top to bottom; the name keeps the first focus
  }
  layout->addWidget(name_label, row++, 0);
  layout->addWidget(name_edit_, row++, 0);
  layout->addWidget(query_label, row++, 0);
  layout->addWidget(query_edit_, row++, 0);

  auto* buttons = new QVBoxLayout();
  auto add_button = [&](const QString& text, int id) {
    auto* b = new QPushButton(text, this);
    b->setObjectName(QString::number(id));
    b->setAutoDefault(false);
    buttons->addWidget(b);
    return b;
  };
  QPushButton* ok = add_button(tr("OK"), wiz::BTN_OK);
  QPushButton* cancel = add_button(tr("Cancel"), wiz::BTN_CANCEL);
  buttons->addSpacing(12);
  QPushButton* test = add_button(tr("Test Query"), wiz::QUERY_TEST);
  buttons->addStretch(1);
  QPushButton* help = add_button(tr("Help"), wiz::BTN_HELP);
  ok->setDefault(true);
  layout->addLayout(buttons, 0, 1, row, 1);
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

void set_query_dlg::on_saved_query(int index) {
  if (index < 0 || index >= static_cast<int>(saved_.size())) return;
  const source_saved_query& q = saved_[static_cast<size_t>(index)];
  if (!q.runnable) return;
  tk_wtrace(2, L"set_query_dlg::on_saved_query(%s)", q.name);
  name_edit_->setText(QString::fromStdWString(saved_query_table_name(q.name)));
  query_edit_->setPlainText(QString::fromStdWString(q.sql));
}

void set_query_dlg::reject() {
  tk_trace(2, "set_query_dlg::on_cancel");
  done(2);
}

namespace {
// "It gives 3 columns and 1,234 rows." for a query the source runs; empty
// when it cannot say.
std::wstring query_shape(const std::wstring& query) {
  try {
    source_look look = open_source_look(tarvel_convertor::instance());
    std::unique_ptr<udb_recordset> rs = look.db->get_query(L"test_query", query, 1);
    if (!rs) return {};
    const size_t columns = rs->schema().fields().size();
    const uint32_t rows = rs->records_count();
    return L"It gives " + std::to_wstring(columns) + (columns == 1 ? L" column" : L" columns") +
           L" and " + std::to_wstring(rows) + (rows == 1 ? L" row." : L" rows.");
  } catch (const std::exception& e) {
    tk_trace(2, "The query's columns and rows are unknown: %s", e.what());
    return {};
  }
}
}  // namespace

void set_query_dlg::on_test_query() {
  if (!check_select()) {
    wizard_shell::error(std::wstring(L"The query must start with SELECT."));
    return;
  }
  QApplication::setOverrideCursor(Qt::WaitCursor);
  const bool correct = tarvel_convertor::instance().test_query(query_);
  // The database's own error says what to mend; it follows the usual text.
  const std::wstring reason = correct ? L"" : tarvel_convertor::instance().query_error(query_);
  const std::wstring shape = correct ? query_shape(query_) : L"";
  QApplication::restoreOverrideCursor();
  if (correct) {
    wizard_shell::message(std::wstring(L"The query is correct.") +
                          (shape.empty() ? L"" : L"\r\n" + shape));
  } else {
    wizard_shell::error(
        std::wstring(L"You have an error in your query syntax. Make sure that it is a correct SQL "
                     L"SELECT-statement. If the error persists, please report it with the query "
                     L"text to ") +
        std::wstring(TK_SUPPORT_CONTACT, TK_SUPPORT_CONTACT + sizeof(TK_SUPPORT_CONTACT) - 1) +
        L"." + (reason.empty() ? L"" : L"\n\n" + reason));
  }
}
