// The finish page (116): the result of the run, the collected errors in a
// read-only box, and "&Save Settings" to write a profile.
#pragma once

#include "GUI2/wizard_page.h"

class gui_finish_page : public wizard_page {
  Q_OBJECT
 public:
  explicit gui_finish_page(QWidget* parent = nullptr);

  int page_init() override;
  bool on_cancel() override { return true; }
  void on_help() override {}
  unsigned wizard_buttons() const override { return FINISH; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void on_save_settings();
  void on_eb_focus();

  bool focus_seen_ = false;
};
