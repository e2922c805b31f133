// Step 2, the Access user-level security page (105): workgroup information
// file, user name and password, enabled by the check box. Only a checked box
// puts the settings in use; the wizard keeps them either way, and offers them
// checked again for the source file they last opened.
#pragma once

#include "GUI2/wizard_page.h"

class ugl_page : public wizard_page {
  Q_OBJECT
 public:
  explicit ugl_page(QWidget* parent = nullptr);

  int page_init() override;
  int on_next() override;
  void on_back() override;
  int help_context() const override;

  // Stores path, user and password into the converter (empty when the box
  // is off) and into the wizard's kept copy.
  void store_settings();

 private:
  void on_use_ugl(bool checked);
  void on_browse();
};
