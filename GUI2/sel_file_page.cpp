// Source and settings page.
#include "GUI2/sel_file_page.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "GUI2/wizard_ids.h"
#include "GUI2/wizard_settings.h"
#include "GUI2/wizard_shell.h"
#include "TK/tk_fname.h"
#include "TK/tk_paths.h"
#include "TK/tk_trace.h"
#include "common/error_handler.h"
#include "common/tarvel_convertor.h"

namespace {
constexpr int kMaxField = 259;
}  // namespace

sel_file_page::sel_file_page(QWidget* parent) : wizard_page(wiz::PAGE_SOURCE, parent) {
  setTitle(tr("Step 3 of 5"));
  setSubTitle(tr("Conversion Settings"));
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(new QLabel(
      tr("On this page you can specify source database name and conversion settings."), this));
  layout->addSpacing(6);
  auto* grid = new QGridLayout;
  auto* path = with_id(new QLineEdit(this), wiz::SOURCE_PATH);
  auto* path_label = new QLabel(tr("MS &Access database name:"), this);
  path_label->setBuddy(path);
  auto* browse = with_id(new QPushButton(tr("Browse..."), this), wiz::SOURCE_BROWSE);
  grid->addWidget(path_label, 0, 0, 1, 2);
  grid->addWidget(path, 1, 0);
  grid->addWidget(browse, 1, 1);
  auto* use_pwd = with_id(new QCheckBox(tr("&Use password:"), this), wiz::SOURCE_USE_PASSWORD);
  auto* password = with_id(new QLineEdit(this), wiz::SOURCE_PASSWORD);
  password->setEchoMode(QLineEdit::Password);
  grid->addWidget(use_pwd, 2, 0, 1, 2);
  grid->addWidget(password, 3, 0);
  for (QLineEdit* edit : {path, password}) edit->setMaxLength(kMaxField);
  layout->addLayout(grid);
  layout->addSpacing(6);
  layout->addWidget(with_id(new QCheckBox(tr("&Convert table definitions only"), this),
                            wiz::SOURCE_DEFINITIONS_ONLY));
  layout->addWidget(
      with_id(new QCheckBox(tr("S&kip converting indexes"), this), wiz::SOURCE_SKIP_INDEXES));
  layout->addWidget(
      with_id(new QCheckBox(tr("&Make names uppercase"), this), wiz::SOURCE_UPPERCASE));
  layout->addWidget(
      with_id(new QCheckBox(tr("Create &views for saved queries"), this), wiz::SOURCE_VIEWS));
  auto* jobs_row = new QHBoxLayout;
  auto* jobs = with_id(new QSpinBox(this), wiz::SOURCE_JOBS);
  jobs->setRange(1, udb_converter::kMaxJobs);
  jobs->setToolTip(tr("Each table converted at the same time uses an Oracle session of its own."));
  auto* jobs_label = new QLabel(tr("&Tables converted at the same time:"), this);
  jobs_label->setBuddy(jobs);
  jobs_row->addWidget(jobs_label);
  jobs_row->addWidget(jobs);
  jobs_row->addStretch(1);
  layout->addLayout(jobs_row);
  auto* group = new QGroupBox(tr(" How to process existing tables: "), this);
  auto* modes = new QGridLayout(group);
  modes->addWidget(with_id(new QRadioButton(tr("&Overwrite"), group), wiz::SOURCE_OVERWRITE), 0, 0);
  modes->addWidget(with_id(new QRadioButton(tr("M&erge"), group), wiz::SOURCE_MERGE), 0, 1);
  modes->addWidget(with_id(new QRadioButton(tr("&Skip"), group), wiz::SOURCE_SKIP), 1, 0);
  modes->addWidget(with_id(new QRadioButton(tr("S&ynchronize"), group), wiz::SOURCE_SYNCHRONIZE), 1,
                   1);
  layout->addWidget(group);
  layout->addStretch(1);
  connect(use_pwd, &QCheckBox::toggled, this, &sel_file_page::on_use_pwd);
  connect(browse, &QPushButton::clicked, this, &sel_file_page::on_browse);
}

int sel_file_page::help_context() const {
  return wiz::HELP_SOURCE;
}

int sel_file_page::page_init() {
  tk_trace(2, "sel_file_page::page_init");
  const tarvel_convertor& conv = tarvel_convertor::instance();
  auto* use_pwd = ctrl<QCheckBox>(wiz::SOURCE_USE_PASSWORD);
  {
    const QSignalBlocker quiet(use_pwd);
    use_pwd->setChecked(!conv.access.database_password.empty());
  }
  control(wiz::SOURCE_PASSWORD)->setEnabled(use_pwd->isChecked());
  ctrl<QLineEdit>(wiz::SOURCE_PASSWORD)
      ->setText(QString::fromStdWString(conv.access.database_password));
  ctrl<QCheckBox>(wiz::SOURCE_SKIP_INDEXES)->setChecked(conv.skip_indexes);
  ctrl<QCheckBox>(wiz::SOURCE_DEFINITIONS_ONLY)->setChecked(conv.only_definitions);
  ctrl<QCheckBox>(wiz::SOURCE_UPPERCASE)->setChecked(conv.uppercase);
  ctrl<QCheckBox>(wiz::SOURCE_VIEWS)->setChecked(conv.views);
  ctrl<QSpinBox>(wiz::SOURCE_JOBS)->setValue(conv.jobs);
  QString source;
  if (!conv.source_name().empty())
    source = QString::fromStdWString(tk_file_wname(conv.source_name()).full());
  ctrl<QLineEdit>(wiz::SOURCE_PATH)->setText(source);
  const int32_t mode = conv.mode();
  if (mode < UDB_MODE_OVERWRITE || mode > UDB_MODE_SYNC)
    throw tk_mail_assertion("tarvel_shel", __LINE__);
  ctrl<QRadioButton>(wiz::SOURCE_MODE_BASE + mode)->setChecked(true);
  return 0;
}

void sel_file_page::on_use_pwd(bool checked) {
  tk_trace(2, "sel_file_page::on_use_pwd");
  control(wiz::SOURCE_PASSWORD)->setEnabled(checked);
  if (checked) control(wiz::SOURCE_PASSWORD)->setFocus(Qt::OtherFocusReason);
}

void sel_file_page::on_browse() {
  const QString path = wizard_shell::choose_file(
      wizard_presenter::file_mode::open_existing, tr("Select MS Access database to convert"),
      {tr("MS Access Databases (*.mdb *.accdb)"), tr("All Files (*)")}, QString(),
      ctrl<QLineEdit>(wiz::SOURCE_PATH)->text());
  if (!path.isEmpty()) ctrl<QLineEdit>(wiz::SOURCE_PATH)->setText(path);
}

void sel_file_page::store_file_info() {
  tk_trace(2, "sel_file_page::store_file_info");
  tarvel_convertor& conv = tarvel_convertor::instance();
  conv.only_definitions = ctrl<QCheckBox>(wiz::SOURCE_DEFINITIONS_ONLY)->isChecked();
  conv.skip_indexes = ctrl<QCheckBox>(wiz::SOURCE_SKIP_INDEXES)->isChecked();
  conv.uppercase = ctrl<QCheckBox>(wiz::SOURCE_UPPERCASE)->isChecked();
  conv.views = ctrl<QCheckBox>(wiz::SOURCE_VIEWS)->isChecked();
  conv.set_source_name(ctrl<QLineEdit>(wiz::SOURCE_PATH)->text().left(kMaxField).toStdWString());
  conv.access.database_password =
      ctrl<QCheckBox>(wiz::SOURCE_USE_PASSWORD)->isChecked()
          ? ctrl<QLineEdit>(wiz::SOURCE_PASSWORD)->text().left(kMaxField).toStdWString()
          : std::wstring();
  conv.jobs = ctrl<QSpinBox>(wiz::SOURCE_JOBS)->value();
  for (int mode = UDB_MODE_OVERWRITE; mode <= UDB_MODE_SYNC; ++mode) {
    if (ctrl<QRadioButton>(wiz::SOURCE_MODE_BASE + mode)->isChecked()) {
      tk_trace(2, "udb_converter::set_mode(%d)", mode);
      conv.set_mode(mode);
      break;
    }
  }
}

void sel_file_page::on_back() {
  store_file_info();
}

int sel_file_page::on_next() {
  store_file_info();
  tarvel_convertor& conv = tarvel_convertor::instance();
  if (conv.source_name().empty()) {
    wizard_shell::message(L"You should enter MS Access database name");
    return -1;
  }
  if (!tk_is_file_exist(conv.source_name())) {
    wizard_shell::error(
        L"Source file does not exist.\r\nPlease verify the correct path was given.\r\n\r\n" +
        conv.source_name());
    return -1;
  }
  try {
    conv.access.check_acc_base(conv.source_name(), conv.access.database_password);
  } catch (const tk_mail_assertion&) {
    throw;
  } catch (const tk_exception& e) {
    const std::string mapped = error_handler::instance().converter().convert(e.code());
    wizard_shell::error(mapped.empty() ? e.message() : mapped);
    return -1;
  }
  // The workgroup settings in use have opened this file: the security page
  // offers them checked again for it.
  if (!conv.access.workgroup_file.empty()) {
    const wizard_settings::workgroup used{QString::fromStdWString(conv.access.workgroup_file),
                                          QString::fromStdWString(conv.access.workgroup_user),
                                          QString::fromStdWString(conv.access.workgroup_password),
                                          QString::fromStdWString(conv.source_name())};
    wizard_settings::set_kept_workgroup(used);
  }
  return 0;
}
