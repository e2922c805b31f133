// The table-selection page.
#include "GUI2/sel_tables_page.h"

#include <QApplication>
#include <QGridLayout>
#include <QLabel>
#include <QLocale>
#include <QPainter>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QVBoxLayout>
#include <algorithm>

#include "GUI2/set_query_dlg.h"
#include "GUI2/wizard_ids.h"
#include "GUI2/wizard_shell.h"
#include "TK/tk_exception.h"
#include "TK/tk_trace.h"
#include "common/error_handler.h"
#include "common/tarvel_convertor.h"

namespace {

// An entry of the sorted lists: ordered as the list boxes order them,
// without regard to letter case.
class table_item : public QListWidgetItem {
 public:
  explicit table_item(const QString& text) : QListWidgetItem(text) {}
  bool operator<(const QListWidgetItem& other) const override {
    const int order = text().compare(other.text(), Qt::CaseInsensitive);
    return order != 0 ? order < 0 : text() < other.text();
  }
};

// Draws an item and, in grey at its right, the page's note for it (the
// rows of a table, or "query").
class note_delegate : public QStyledItemDelegate {
 public:
  note_delegate(sel_tables_page* page, QObject* parent)
      : QStyledItemDelegate(parent), page_(page) {}
  void paint(QPainter* painter, const QStyleOptionViewItem& option,
             const QModelIndex& index) const override {
    QStyledItemDelegate::paint(painter, option, index);
    const QString note = page_->item_note(index.data().toString());
    if (note.isEmpty()) return;
    painter->save();
    QPalette::ColorRole role = (option.state & QStyle::State_Selected) ? QPalette::HighlightedText
                                                                       : QPalette::PlaceholderText;
    painter->setPen(option.palette.color(role));
    QFont font = option.font;
    if (note == QLatin1String("query")) font.setItalic(true);
    painter->setFont(font);
    const QRect area = option.rect.adjusted(4, 0, -4, 0);
    // The note gives way to the name: it stands only where the name leaves room.
    const int name_width = option.fontMetrics.horizontalAdvance(index.data().toString()) + 16;
    if (option.fontMetrics.horizontalAdvance(note) + name_width <= area.width())
      painter->drawText(area, Qt::AlignRight | Qt::AlignVCenter, note);
    painter->restore();
  }

 private:
  sel_tables_page* page_;
};

QListWidget* make_list(QWidget* parent) {
  auto* list = new QListWidget(parent);
  list->setSortingEnabled(true);
  list->setUniformItemSizes(true);
  list->setSelectionMode(QAbstractItemView::SingleSelection);
  list->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  list->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  return list;
}

QString qs(const std::wstring& text) {
  return QString::fromStdWString(text);
}

int find_row(const QListWidget* list, const QString& name) {
  const QList<QListWidgetItem*> hits = list->findItems(name, Qt::MatchFixedString);
  return hits.isEmpty() ? -1 : list->row(hits.front());
}

void highlight(QListWidget* list, int row) {
  if (list->count() == 0) return;
  list->setCurrentRow(std::clamp(row, 0, list->count() - 1));
}

}  // namespace

sel_tables_page::sel_tables_page(QWidget* parent) : wizard_page(wiz::PAGE_TABLES, parent) {
  setTitle(tr("Step 4 of 5"));
  setSubTitle(tr("Select tables to convert"));
  auto* layout = new QGridLayout(this);
  layout->addWidget(with_id(new QLabel(this), wiz::TABLES_TITLE), 0, 0, 1, 3);
  // The texts are set again on every activation; here they give the page
  // its keyboard mnemonics from the start.
  auto* available_label =
      with_id(new QLabel(tr("&Available tables:"), this), wiz::TABLES_AVAILABLE_LABEL);
  auto* selected_label =
      with_id(new QLabel(tr("&Selected tables:"), this), wiz::TABLES_SELECTED_LABEL);
  QListWidget* available = with_id(make_list(this), wiz::TABLES_AVAILABLE);
  QListWidget* selected = with_id(make_list(this), wiz::TABLES_SELECTED);
  available_label->setBuddy(available);
  selected_label->setBuddy(selected);
  layout->addWidget(available_label, 1, 0);
  layout->addWidget(selected_label, 1, 2);
  layout->addWidget(available, 2, 0);
  layout->addWidget(selected, 2, 2);

  auto* button_column = new QVBoxLayout();
  auto add_button = [&](const QString& text, int id, void (sel_tables_page::*slot)()) {
    auto* b = with_id(new QPushButton(text, this), id);
    b->setAutoDefault(false);
    connect(b, &QPushButton::clicked, this, slot);
    button_column->addWidget(b);
    return b;
  };
  button_column->addStretch(1);
  add_button(tr("A&dd >"), wiz::TABLES_ADD, &sel_tables_page::on_add);
  add_button(tr("Add a&ll >"), wiz::TABLES_ADD_ALL, &sel_tables_page::on_add_all);
  button_column->addSpacing(8);
  add_button(tr("< &Remove"), wiz::TABLES_REMOVE, &sel_tables_page::on_delete);
  add_button(tr("< Re&move all"), wiz::TABLES_REMOVE_ALL, &sel_tables_page::on_del_all);
  button_column->addSpacing(16);
  add_button(tr("Add &Query"), wiz::TABLES_ADD_QUERY, &sel_tables_page::on_add_query)
      ->setVisible(false);
  button_column->addStretch(1);
  layout->addLayout(button_column, 2, 1);
  layout->setColumnStretch(0, 1);
  layout->setColumnStretch(2, 1);
  layout->setRowStretch(2, 1);

  available->setItemDelegate(new note_delegate(this, available));
  selected->setItemDelegate(new note_delegate(this, selected));
  connect(available, &QListWidget::itemDoubleClicked, this, [this] { on_add(); });
  connect(selected, &QListWidget::itemDoubleClicked, this, &sel_tables_page::on_selected_activated);
  setTabOrder(available, selected);
}

int sel_tables_page::help_context() const {
  return wiz::HELP_TABLES;
}

QListWidget* sel_tables_page::available_list() const {
  return ctrl<QListWidget>(wiz::TABLES_AVAILABLE);
}
QListWidget* sel_tables_page::selected_list() const {
  return ctrl<QListWidget>(wiz::TABLES_SELECTED);
}

int sel_tables_page::page_init() {
  tk_trace(2, "sel_tables_page::page_init");
  ctrl<QLabel>(wiz::TABLES_TITLE)
      ->setText(tr("Select MS Access tables to convert into Oracle format."));
  ctrl<QLabel>(wiz::TABLES_AVAILABLE_LABEL)->setText(tr("&Available tables:"));
  ctrl<QLabel>(wiz::TABLES_SELECTED_LABEL)->setText(tr("&Selected tables:"));
  tarvel_convertor& conv = tarvel_convertor::instance();
  all_tables_.clear();
  row_counts_.clear();
  look_.reset();
  look_failed_ = false;
  saved_queries_.clear();
  saved_queries_read_ = false;
  try {
    conv.get_all_tables(all_tables_);
  } catch (const tk_mail_assertion&) {
    throw;
  } catch (const tk_exception& e) {
    wizard_shell::error(error_handler::instance().build_message(e));
  }

  QListWidget* available = available_list();
  QListWidget* selected = selected_list();
  available->setSortingEnabled(false);
  selected->setSortingEnabled(false);
  available->clear();
  selected->clear();
  selected_queries_.clear();
  available_queries_.clear();
  for (const std::wstring& name : all_tables_) available->addItem(new table_item(qs(name)));
  available->setSortingEnabled(true);
  available->sortItems();

  // The converter's selection: its queries not listed yet, then the tables
  // that it names.
  for (const auto& [name, query] : conv.queries) {
    if (query.empty() || is_listed(qs(name))) continue;
    selected->addItem(new table_item(qs(name)));
    selected_queries_[name] = query;
  }
  for (const auto& [name, query] : conv.queries) {
    const int row = find_row(available, qs(name));
    if (row >= 0 && query.empty()) selected->addItem(available->takeItem(row));
  }
  for (const std::wstring& name : conv.selected_tables) {
    const int row = find_row(available, qs(name));
    if (row >= 0) selected->addItem(available->takeItem(row));
  }
  for (const auto& [name, query] : conv.available_queries) {
    if (query.empty() || is_listed(qs(name))) continue;
    available->addItem(new table_item(qs(name)));
    available_queries_[name] = query;
  }
  selected->setSortingEnabled(true);
  selected->sortItems();
  highlight(available, 0);
  highlight(selected, 0);
  ctrl<QPushButton>(wiz::TABLES_ADD_QUERY)->setVisible(true);
  return 0;
}

bool sel_tables_page::is_listed(const QString& name, const QListWidgetItem* except) const {
  for (const QListWidget* list : {available_list(), selected_list()})
    for (QListWidgetItem* item : list->findItems(name, Qt::MatchFixedString))
      if (item != except) return true;
  return false;
}

void sel_tables_page::move_one(QListWidget* from, QListWidget* to,
                               udb_converter::query_map& from_queries,
                               udb_converter::query_map& to_queries) {
  const int row = from->currentRow();
  if (row < 0 || !from->item(row)->isSelected()) return;
  QListWidgetItem* item = from->takeItem(row);
  const std::wstring name = item->text().toStdWString();
  if (auto query = from_queries.find(name); query != from_queries.end()) {
    to_queries[name] = query->second;
    from_queries.erase(query);
  }
  to->addItem(item);
  if (from->count() == 0) {
    to->setFocus();
    highlight(to, 0);
  } else {
    highlight(from, row);
  }
}

void sel_tables_page::move_all(QListWidget* from, QListWidget* to,
                               udb_converter::query_map& from_queries,
                               udb_converter::query_map& to_queries) {
  // One sort at the end instead of one sorted insert per item.
  to->setSortingEnabled(false);
  while (from->count() > 0) to->addItem(from->takeItem(from->count() - 1));
  to->setSortingEnabled(true);
  to->sortItems();
  to_queries.merge(from_queries);
  from_queries.clear();
  to->setFocus();
  highlight(to, 0);
}

void sel_tables_page::on_add() {
  tk_trace(2, "sel_tables_page::on_add");
  move_one(available_list(), selected_list(), available_queries_, selected_queries_);
}

void sel_tables_page::on_add_all() {
  tk_trace(2, "sel_tables_page::on_add_all");
  move_all(available_list(), selected_list(), available_queries_, selected_queries_);
}

void sel_tables_page::on_delete() {
  tk_trace(2, "sel_tables_page::on_delete");
  move_one(selected_list(), available_list(), selected_queries_, available_queries_);
}

void sel_tables_page::on_del_all() {
  tk_trace(2, "sel_tables_page::on_del_all");
  move_all(selected_list(), available_list(), selected_queries_, available_queries_);
}

const std::vector<source_saved_query>& sel_tables_page::saved_queries() {
  if (!saved_queries_read_) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    saved_queries_ = list_saved_queries(tarvel_convertor::instance());
    QApplication::restoreOverrideCursor();
    saved_queries_read_ = true;
  }
  return saved_queries_;
}

bool sel_tables_page::edit_query(std::wstring& name, std::wstring& query,
                                 const QListWidgetItem* except) {
  for (;;) {
    set_query_dlg dialog(name, query, window(), saved_queries());
    if (dialog.exec() != QDialog::Accepted) return false;
    name = dialog.name();
    query = dialog.query();
    if (!is_listed(qs(name), except)) return true;
    wizard_shell::message(std::wstring(L"Duplicate table name. Try again."));
  }
}

void sel_tables_page::on_add_query() {
  tk_trace(2, "sel_tables_page::on_add_query");
  std::wstring name, query;
  if (!edit_query(name, query, nullptr)) return;
  QListWidget* selected = selected_list();
  auto* item = new table_item(qs(name));
  selected->addItem(item);
  selected_queries_[name] = query;
  selected->setCurrentItem(item);
}

void sel_tables_page::on_selected_activated(QListWidgetItem* item) {
  if (!item) return;
  const std::wstring old_name = item->text().toStdWString();
  auto entry = selected_queries_.find(old_name);
  if (entry == selected_queries_.end()) {
    // A plain table goes back to the available list.
    selected_list()->setCurrentItem(item);
    on_delete();
    return;
  }
  tk_trace(2, "sel_tables_page::on_edit_query");
  std::wstring name = old_name, query = entry->second;
  // Another item of the new name would leave two entries for one table.
  if (!edit_query(name, query, item)) return;
  selected_queries_.erase(old_name);
  selected_queries_[name] = query;
  QListWidget* selected = selected_list();
  delete selected->takeItem(selected->row(item));
  auto* edited = new table_item(qs(name));
  selected->addItem(edited);
  selected->setCurrentItem(edited);
}

QString sel_tables_page::item_note(const QString& name) {
  const std::wstring key = name.toStdWString();
  if (selected_queries_.count(key) != 0 || available_queries_.count(key) != 0)
    return QStringLiteral("query");
  auto known = row_counts_.find(key);
  if (known == row_counts_.end()) {
    int64_t rows = -1;
    try {
      if (!look_ && !look_failed_) {
        look_failed_ = true;  // until it has opened
        look_ = std::make_unique<source_look>(open_source_look(tarvel_convertor::instance()));
        look_failed_ = false;
      }
      if (look_)
        if (std::unique_ptr<udb_recordset> table = look_->db->get_table(key, 1))
          rows = table->records_count();
    } catch (const std::exception& e) {
      tk_trace(2, "No row count for a table: %s", e.what());
    }
    known = row_counts_.emplace(key, rows).first;
  }
  if (known->second < 0) return QString();
  return tr("%1 %2")
      .arg(QLocale().toString(static_cast<qlonglong>(known->second)))
      .arg(known->second == 1 ? tr("row") : tr("rows"));
}

int sel_tables_page::on_next() {
  look_.reset();  // the run opens the source its own way
  QListWidget* available = available_list();
  QListWidget* selected = selected_list();
  if (available->count() != 0 && selected->count() == 0 &&
      !wizard_shell::question(L"There are no tables selected. Continue anyway?", true))
    return -1;
  tarvel_convertor& conv = tarvel_convertor::instance();
  conv.selected_tables.clear();
  conv.queries.clear();
  for (int row = 0; row < selected->count(); ++row) {
    const std::wstring name = selected->item(row)->text().toStdWString();
    auto query = selected_queries_.find(name);
    if (query != selected_queries_.end()) {
      conv.queries[name] = query->second;
    } else {
      conv.selected_tables.push_back(name);
      conv.queries[name] = std::wstring();
    }
  }
  conv.available_queries = available_queries_;
  return 0;
}
