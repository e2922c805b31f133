// Step 1, the Oracle connection page (132): server, database name, port,
// user and password; Next connects on a worker thread behind the connecting
// dialog and goes on only when the connection is made.
#pragma once

#include "GUI2/wizard_page.h"

class oracle_settings_page : public wizard_page {
  Q_OBJECT
 public:
  explicit oracle_settings_page(QWidget* parent = nullptr);

  int page_init() override;
  int on_next() override;
  void on_back() override;
  int help_context() const override;

  // Stores the five fields into the converter.
  void store_settings();
  bool connected() const { return connected_; }

  // The connection step: connects the converter to its destination database
  // and reports a failure with the shell's messages. True when connected. An
  // internal assertion or an unknown exception ends the process (-1) after
  // its message. Runs on the calling thread.
  static bool connect_oracle();

 private:
  bool connected_ = false;
};
