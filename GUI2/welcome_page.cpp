// Welcome page.
#include "GUI2/welcome_page.h"

#include <QFont>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "GUI2/wizard_ids.h"
#include "GUI2/wizard_settings.h"
#include "GUI2/wizard_shell.h"
#include "TK/tk_trace.h"
#include "common/error_handler.h"
#include "common/tarvel_convertor.h"

QFont wiz_title_font() {
  QFont font(QStringLiteral("Verdana"));
  font.setPointSize(10);
  font.setWeight(QFont::Bold);
  return font;
}

QStringList wiz_profile_filters() {
  const QString ext = QLatin1String(wiz::PROFILE_EXTENSION);
  return {QStringLiteral("Profile Files (*.%1)").arg(ext), QStringLiteral("All Files (*)")};
}

welcome_page::welcome_page(QWidget* parent) : wizard_page(wiz::PAGE_WELCOME, parent) {
  setPixmap(QWizard::WatermarkPixmap, wizard_shell::watermark());
  auto* layout = new QVBoxLayout(this);
  auto* title = with_id(new QLabel(tr("Welcome to the Database\nConversion Wizard\n"), this),
                        wiz::WELCOME_TITLE);
  title->setFont(wiz_title_font());
  layout->addWidget(title);
  layout->addWidget(new QLabel(tr("This wizard helps you move MS Access database to\n"
                                  "Oracle server. Click 'Next' to continue."),
                               this));
  layout->addSpacing(12);
  layout->addWidget(new QLabel(tr("WARNING: conversion productivity strongly depends\n"
                                  "on amount of available memory. It is recommended that\n"
                                  "you exit all programs before continue with the wizard."),
                               this));
  layout->addStretch(1);
  auto* row = new QHBoxLayout;
  auto* load = with_id(new QPushButton(tr("&Load Settings"), this), wiz::WELCOME_LOAD_SETTINGS);
  connect(load, &QPushButton::clicked, this, &welcome_page::on_load_settings);
  row->addWidget(load);
  row->addStretch(1);
  layout->addLayout(row);
}

int welcome_page::help_context() const {
  return wiz::HELP_WELCOME;
}

int welcome_page::page_init() {
  tk_trace(2, "welcome_page::page_init");
  control(wiz::WELCOME_TITLE)->setFont(wiz_title_font());
  return 0;
}

bool welcome_page::load_profile(const QString& path) {
  try {
    tarvel_convertor& conv = tarvel_convertor::instance();
    if (conv.load_profile_file(path.toStdWString())) {
      // A profile's workgroup settings go with its source file.
      if (!conv.access.workgroup_file.empty())
        wizard_settings::set_kept_workgroup(
            {QString::fromStdWString(conv.access.workgroup_file),
             QString::fromStdWString(conv.access.workgroup_user),
             QString::fromStdWString(conv.access.workgroup_password),
             QString::fromStdWString(conv.source_name())});
      return true;
    }
    wizard_shell::error(
        L"The file is not a conversion profile: its first setting stands before any section.\r\n"
        L"No settings were loaded.");
  } catch (const tk_mail_assertion&) {
    // A line longer than a profile line can be: the file is not a profile.
    wizard_shell::error(
        std::wstring(L"The file is not a conversion profile: it holds a line that is too long.\r\n"
                     L"No settings were loaded."));
  } catch (const tk_exception& e) {
    wizard_shell::error(error_handler::instance().build_message(e));
  }
  return false;
}

void welcome_page::on_load_settings() {
  const QString path = wizard_shell::choose_file(wizard_presenter::file_mode::open_existing,
                                                 tr("Select Profile File"), wiz_profile_filters());
  if (!path.isEmpty()) load_profile(path);
}
