// Step 1, the Oracle connection page (132): server, database name, port,
// user and password; Next connects on a worker thread behind the connecting
// dialog and goes on only when the connection is made. Cancel in that dialog
// (or the wizard closing) leaves the attempt behind: the page stays usable at
// once, the attempt's late result is dropped, and the page's destructor waits
// for its thread.
#pragma once

#include <memory>
#include <string>

#include "GUI2/wizard_page.h"

class connection_attempt;

class oracle_settings_page : public wizard_page {
  Q_OBJECT
 public:
  explicit oracle_settings_page(QWidget* parent = nullptr);
  ~oracle_settings_page() override;

  int page_init() override;
  int on_next() override;
  void on_back() override;
  int help_context() const override;

  // Stores the five fields into the converter.
  void store_settings();
  bool connected() const { return connected_; }
  // True while an attempt left behind by Cancel is still logging on.
  bool attempt_running() const;

  // The connection step: connects the converter to its destination database
  // and reports a failure with the shell's messages. True when connected. An
  // internal assertion or an unknown exception ends the process (-1) after
  // its message. Runs on the calling thread.
  static bool connect_oracle();

 private:
  bool connected_ = false;
  // The last attempt left behind (it waits for the ones before it).
  std::unique_ptr<connection_attempt> left_behind_;
};
