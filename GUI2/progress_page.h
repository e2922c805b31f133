// Step 5, the progress page (107): runs the conversion on a worker thread
// and moves to the finish page when it has ended. Placeholder: a bar and the
// current table, no stop.
#pragma once

#include <memory>

#include "GUI2/wizard_page.h"

class tk_thread;

class progress_page : public wizard_page {
  Q_OBJECT
 public:
  explicit progress_page(QWidget* parent = nullptr);
  ~progress_page() override;

  int page_init() override;
  void on_timer() override;
  unsigned wizard_buttons() const override { return 0; }
  int help_context() const override { return 0; }

 private:
  std::unique_ptr<tk_thread> worker_;
};
