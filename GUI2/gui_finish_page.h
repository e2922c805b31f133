// The finish page (116): what the run did, in its first line (success,
// errors with the records refused and tables not converted, or a stop with
// the table it stopped in), one line per table (names, rows written and
// refused, time, child tables; for a stopped run the rows each table holds
// in Oracle), totals and elapsed time, the collected errors in a read-only
// box, "&Save Settings" to write a profile, "&Verify", which compares every
// converted table with its source on a worker thread (at once when the
// remembered setting says so) and lists what was not carried over, "Save
// &Report" for the verification in the formats of tarvel-verify, and
// "Open &Log" for the trace file.
#pragma once

#include <QString>
#include <atomic>
#include <memory>
#include <thread>

#include "GUI2/wizard_page.h"

class QTableWidget;
struct verify_result;
struct table_outcome;

class gui_finish_page : public wizard_page {
  Q_OBJECT
 public:
  explicit gui_finish_page(QWidget* parent = nullptr);
  ~gui_finish_page() override;

  int page_init() override;
  bool on_cancel() override { return true; }
  void on_help() override {}
  unsigned wizard_buttons() const override { return FINISH; }

  // The report of the last verification in the format the file name's
  // extension asks for (".csv", ".json", otherwise text); false when none
  // has run or the file cannot be written.
  bool save_report(const QString& path) const;
  // The text of a duration: "0.4 s", "12 s", "3:05", "1:02:03".
  static QString duration_text(double seconds);
  // Shows a verification's result (its tables, what was not carried over)
  // and keeps it for Save Report.
  void show_verify_result(const verify_result& result);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void on_save_settings();
  void on_eb_focus();
  void on_verify();
  void on_save_report();
  void on_open_log();
  void show_outcomes(bool stopped);
  // Widens the sheet (up to most of the screen) so that every column of the
  // visible table of results shows; once the page is laid out.
  void grow_to_show(QTableWidget* table);
  QString result_text(bool stopped) const;
  // On the page's thread, when the worker has finished.
  void show_verify_failure(const QString& message);
  void join_worker();

  bool focus_seen_ = false;
  bool auto_verified_ = false;
  std::thread worker_;
  std::atomic<bool> stop_{false};
  std::unique_ptr<verify_result> verified_;
};
