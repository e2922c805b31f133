// The welcome page (103): the greeting and "&Load Settings", which loads a
// profile into the converter for the pages that follow.
#pragma once

#include "GUI2/wizard_page.h"

class welcome_page : public wizard_page {
  Q_OBJECT
 public:
  explicit welcome_page(QWidget* parent = nullptr);
  int page_init() override;
  unsigned wizard_buttons() const override { return NEXT; }
  int help_context() const override;

  // Loads a profile file into the converter; false (after a message) when the
  // file is missing or is not a profile. Nothing changes on failure.
  static bool load_profile(const QString& path);

 private:
  void on_load_settings();
};

// The title font of the welcome and finish pages: Verdana, bold, 10 points.
QFont wiz_title_font();
// The file-dialog filters of profile files.
QStringList wiz_profile_filters();
