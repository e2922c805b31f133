// Step 4, the table-selection page (127): the source's tables and the known
// queries in two sorted lists, available (TABLES_AVAILABLE) and selected (TABLES_SELECTED), moved
// between them one at a time (A&dd >, < &Remove, a double-click) or all at
// once (Add a&ll >, < Re&move all); "&Add Query" adds a SELECT query to be
// stored as a table, and a double-click on a selected query edits it. The
// lists are rebuilt from the converter on every activation; Next hands the
// selection back to it.
#pragma once

#include <QListWidget>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "GUI2/wizard_page.h"
#include "UDB/udb_converter.h"
#include "common/saved_queries.h"
#include "common/source_check.h"

class sel_tables_page : public wizard_page {
  Q_OBJECT
 public:
  explicit sel_tables_page(QWidget* parent = nullptr);

  int page_init() override;
  int on_next() override;
  int help_context() const override;

  void on_add();
  void on_add_all();
  void on_delete();
  void on_del_all();
  void on_add_query();
  // A double-click on a selected item: a query is edited, a table goes back.
  void on_selected_activated(QListWidgetItem* item);

  // The queries standing in each list (name -> SELECT text).
  const udb_converter::query_map& selected_queries() const { return selected_queries_; }
  const udb_converter::query_map& available_queries() const { return available_queries_; }

  // What the lists show at the right of an item: "query" for a query, the
  // rows of a table ("1 row", "12,345 rows"), or nothing when the source
  // cannot count them. A table's rows are counted when first shown.
  QString item_note(const QString& name);

 private:
  QListWidget* available_list() const;
  QListWidget* selected_list() const;
  // Moves the highlighted item of `from` (nothing without one), with its
  // query text when it is a query.
  void move_one(QListWidget* from, QListWidget* to, udb_converter::query_map& from_queries,
                udb_converter::query_map& to_queries);
  void move_all(QListWidget* from, QListWidget* to, udb_converter::query_map& from_queries,
                udb_converter::query_map& to_queries);
  // Opens the query dialog until it is cancelled or gives a name no other
  // item has (`except`: the item being edited); false on Cancel.
  bool edit_query(std::wstring& name, std::wstring& query, const QListWidgetItem* except);
  // True when either list holds the name in any letter case.
  bool is_listed(const QString& name, const QListWidgetItem* except = nullptr) const;

  // The source's saved queries for the query dialog, read when the dialog
  // first opens after an activation.
  const std::vector<source_saved_query>& saved_queries();

  std::vector<std::wstring> all_tables_;
  std::map<std::wstring, int64_t> row_counts_;  // -1: not countable
  std::unique_ptr<source_look> look_;           // open while counting
  bool look_failed_ = false;
  std::vector<source_saved_query> saved_queries_;
  bool saved_queries_read_ = false;
  udb_converter::query_map selected_queries_;
  udb_converter::query_map available_queries_;
};
