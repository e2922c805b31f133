// Access user-level security page.
#include "GUI2/ugl_page.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "GUI2/wizard_ids.h"
#include "GUI2/wizard_settings.h"
#include "GUI2/wizard_shell.h"
#include "TK/tk_paths.h"
#include "TK/tk_trace.h"
#include "access/dao_check_sysdb.h"
#include "common/tarvel_convertor.h"

namespace {
constexpr int kMaxField = 259;
constexpr int kSecurityControls[] = {wiz::SECURITY_PATH, wiz::SECURITY_USER, wiz::SECURITY_PASSWORD,
                                     wiz::SECURITY_BROWSE};
}  // namespace

ugl_page::ugl_page(QWidget* parent) : wizard_page(wiz::PAGE_SECURITY, parent) {
  setTitle(tr("Step 2 of 5"));
  setSubTitle(tr("MS Access user-level security settings"));
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(
      new QLabel(tr("Specify MS Access user-level security settings. Leave all the fields empty\n"
                    "if your database is not protected with MS Access user-level security."),
                 this));
  layout->addSpacing(8);
  auto* use = with_id(new QCheckBox(tr("&Database is protected with user-level security"), this),
                      wiz::SECURITY_USE);
  layout->addWidget(use);
  auto* grid = new QGridLayout;
  auto* path = with_id(new QLineEdit(this), wiz::SECURITY_PATH);
  auto* path_label = new QLabel(tr("Path to &workgroup informtation file:"), this);
  path_label->setBuddy(path);
  auto* browse = with_id(new QPushButton(tr("Browse..."), this), wiz::SECURITY_BROWSE);
  grid->addWidget(path_label, 0, 0, 1, 2);
  grid->addWidget(path, 1, 0);
  grid->addWidget(browse, 1, 1);
  auto* user = with_id(new QLineEdit(this), wiz::SECURITY_USER);
  auto* user_label = new QLabel(tr("&User name:"), this);
  user_label->setBuddy(user);
  auto* password = with_id(new QLineEdit(this), wiz::SECURITY_PASSWORD);
  password->setEchoMode(QLineEdit::Password);
  auto* password_label = new QLabel(tr("User &password:"), this);
  password_label->setBuddy(password);
  auto* form = new QFormLayout;
  form->addRow(user_label, user);
  form->addRow(password_label, password);
  for (QLineEdit* edit : {path, user, password}) edit->setMaxLength(kMaxField);
  layout->addLayout(grid);
  layout->addLayout(form);
  layout->addStretch(1);
  // The check box stands first in the tab order: it decides whether the
  // fields below it take input.
  setTabOrder(use, path);
  setTabOrder(path, browse);
  setTabOrder(browse, user);
  setTabOrder(user, password);
  connect(use, &QCheckBox::toggled, this, &ugl_page::on_use_ugl);
  connect(browse, &QPushButton::clicked, this, &ugl_page::on_browse);
}

int ugl_page::help_context() const {
  return wiz::HELP_SECURITY;
}

int ugl_page::page_init() {
  tk_trace(2, "ugl_page::page_init");
  const tarvel_convertor& conv = tarvel_convertor::instance();
  const wizard_settings::workgroup kept = wizard_settings::kept_workgroup();
  wizard_settings::workgroup shown{QString::fromStdWString(conv.access.workgroup_file),
                                   QString::fromStdWString(conv.access.workgroup_user),
                                   QString::fromStdWString(conv.access.workgroup_password),
                                   QString()};
  // With none in use, the workgroup settings entered last are offered again.
  const bool in_use = !shown.file.isEmpty() || !shown.user.isEmpty();
  if (!in_use) shown = kept;
  ctrl<QLineEdit>(wiz::SECURITY_PATH)->setText(shown.file);
  ctrl<QLineEdit>(wiz::SECURITY_USER)->setText(shown.user);
  ctrl<QLineEdit>(wiz::SECURITY_PASSWORD)->setText(shown.password);
  auto* use = ctrl<QCheckBox>(wiz::SECURITY_USE);
  const QSignalBlocker quiet(use);
  bool on = conv.use_workgroup_security;
  if (!shown.file.isEmpty()) {
    // A workgroup path means security is in use, unless these settings are
    // known to have opened another source file: then they stay shown, with
    // the box off, for the user to take up again.
    const bool owner_known = !kept.source.isEmpty() && kept.same_values(shown);
    on = !owner_known ||
         wizard_settings::same_file(kept.source, QString::fromStdWString(conv.source_name()));
  }
  use->setChecked(on);
  for (int id : kSecurityControls) control(id)->setEnabled(use->isChecked());
  return 0;
}

void ugl_page::on_use_ugl(bool checked) {
  tk_trace(2, "ugl_page::on_use_ugl");
  for (int id : kSecurityControls) control(id)->setEnabled(checked);
  if (checked) control(wiz::SECURITY_PATH)->setFocus(Qt::OtherFocusReason);
}

void ugl_page::on_browse() {
  const QString path = wizard_shell::choose_file(
      wizard_presenter::file_mode::open_existing, tr("Select Workgroup Information File"),
      {tr("Workgroup Information Files (*.mdw)"), tr("All Files (*)")}, QString(),
      ctrl<QLineEdit>(wiz::SECURITY_PATH)->text());
  if (!path.isEmpty()) ctrl<QLineEdit>(wiz::SECURITY_PATH)->setText(path);
}

void ugl_page::store_settings() {
  tarvel_convertor& conv = tarvel_convertor::instance();
  const auto get = [&](int id) { return ctrl<QLineEdit>(id)->text().left(kMaxField).trimmed(); };
  wizard_settings::workgroup entered{get(wiz::SECURITY_PATH), get(wiz::SECURITY_USER),
                                     get(wiz::SECURITY_PASSWORD), QString()};
  // The fields are kept with the wizard whatever the box says; the source
  // they opened stays known while they are unchanged.
  const wizard_settings::workgroup kept = wizard_settings::kept_workgroup();
  if (kept.same_values(entered)) entered.source = kept.source;
  wizard_settings::set_kept_workgroup(entered);
  // Only a checked box puts them in use.
  if (ctrl<QCheckBox>(wiz::SECURITY_USE)->isChecked())
    conv.access.store_ugl_settings(entered.file.toStdWString(), entered.user.toStdWString(),
                                   entered.password.toStdWString());
  else
    conv.access.store_ugl_settings(std::wstring(), std::wstring(), std::wstring());
}

void ugl_page::on_back() {
  store_settings();
}

int ugl_page::on_next() {
  store_settings();
  const tarvel_convertor& conv = tarvel_convertor::instance();
  const std::wstring& path = conv.access.workgroup_file;
  const std::wstring& user = conv.access.workgroup_user;
  if (!path.empty() && !tk_is_file_exist(path)) {
    wizard_shell::error(
        L"Workgroup information file does not exist.\r\nPlease verify the correct path was "
        L"given.\r\n\r\n" +
        path);
    return -1;
  }
  if (!path.empty() && !dao_check_sysdb(path)) {
    wizard_shell::error(
        L"The file does not comply with MS Access workgroup information\r\nfile format. Leave all "
        L"the fields empty on this wizard page if your\r\ndatabase is not protected with MS "
        L"Access user-level security.");
    return -1;
  }
  if (!path.empty() && user.empty()) {
    wizard_shell::message(L"You should enter user name");
    return -1;
  }
  if (path.empty() && !user.empty()) {
    wizard_shell::message(L"You should enter path to MS Access workgroup information file");
    return -1;
  }
  return 0;
}
