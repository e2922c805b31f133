// The finish page (116): the result of the run, the collected errors in a
// read-only box, "&Save Settings" to write a profile, and "&Verify", which
// compares every converted table with its source on a worker thread and
// shows one row per table (the check of tarvel-verify).
#pragma once

#include <atomic>
#include <thread>

#include "GUI2/wizard_page.h"

struct verify_result;

class gui_finish_page : public wizard_page {
  Q_OBJECT
 public:
  explicit gui_finish_page(QWidget* parent = nullptr);
  ~gui_finish_page() override;

  int page_init() override;
  bool on_cancel() override { return true; }
  void on_help() override {}
  unsigned wizard_buttons() const override { return FINISH; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void on_save_settings();
  void on_eb_focus();
  void on_verify();
  // On the page's thread, when the worker has finished.
  void show_verify_result(const verify_result& result);
  void show_verify_failure(const QString& message);
  void join_worker();

  bool focus_seen_ = false;
  std::thread worker_;
  std::atomic<bool> stop_{false};
};
