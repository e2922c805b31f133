// Step 4, the table-selection page (127). Placeholder: it selects every
// table of the source, so a run converts them all.
#pragma once

#include "GUI2/wizard_page.h"

class sel_tables_page : public wizard_page {
  Q_OBJECT
 public:
  explicit sel_tables_page(QWidget* parent = nullptr);
  int page_init() override;
  int on_next() override;
  int help_context() const override;
};
