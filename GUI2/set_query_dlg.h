// The "Add Query" dialog (resource 128): the name of the table that is to
// hold a query's result ("Store as Table:", QUERY_NAME) and the query's SQL
// text ("Query:", QUERY_TEXT). OK checks both (a name, a text that starts with
// SELECT); Test Query also has the source database try the text through the
// converter. Filled by its creator; name() and query() are read after OK.
// When the creator passes the source's saved queries, a drop-down (QUERY_SAVED_QUERIES)
// above the edits offers them: choosing one fills the name with an Oracle
// table name made from the query's and the text with a SELECT of all its
// rows; those the source cannot run stand greyed with its reason as tooltip.
#pragma once

#include <QDialog>
#include <string>
#include <vector>

#include "common/saved_queries.h"

class QComboBox;
class QLineEdit;
class QPlainTextEdit;

class set_query_dlg : public QDialog {
  Q_OBJECT
 public:
  // Both edits hold at most this many characters.
  static constexpr int kMaxText = 2047;

  set_query_dlg(const std::wstring& name, const std::wstring& query, QWidget* parent = nullptr,
                const std::vector<source_saved_query>& saved = {});

  const std::wstring& name() const { return name_; }
  const std::wstring& query() const { return query_; }

  // The SELECT test of OK and Test Query: reads the query edit into the held
  // text; an empty text passes; otherwise the leading blanks (tab, line feed,
  // carriage return, space) are removed from the held text and it passes
  // when it starts with "SELECT" in any letter case.
  bool check_select();

  void accept() override;
  void reject() override;
  void on_test_query();
  // The saved query at `index` of the drop-down fills both edits (nothing
  // for a greyed one).
  void on_saved_query(int index);

 private:
  void limit_query_text();

  std::wstring name_;
  std::wstring query_;
  const std::wstring skipped_ = L"\t\n\r ";
  QLineEdit* name_edit_;
  QPlainTextEdit* query_edit_;
  QComboBox* saved_box_ = nullptr;
  std::vector<source_saved_query> saved_;
};
