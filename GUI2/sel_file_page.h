// Step 3, the source and settings page (106): the Access database and its
// password, the three flags and the mode for existing tables. Next checks
// that the source opens.
#pragma once

#include "GUI2/wizard_page.h"

class sel_file_page : public wizard_page {
  Q_OBJECT
 public:
  explicit sel_file_page(QWidget* parent = nullptr);

  int page_init() override;
  int on_next() override;
  void on_back() override;
  int help_context() const override;

  void store_file_info();

 private:
  void on_use_pwd(bool checked);
  void on_browse();
};
