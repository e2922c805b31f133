// Finish page.
#include "GUI2/gui_finish_page.h"

#include <QAbstractButton>
#include <QEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTableWidget>
#include <QVBoxLayout>

#include "GUI2/welcome_page.h"
#include "GUI2/wizard_ids.h"
#include "GUI2/wizard_shell.h"
#include "TK/tk_exception.h"
#include "TK/tk_trace.h"
#include "common/tarvel_convertor.h"
#include "verify/verify_run.h"

gui_finish_page::gui_finish_page(QWidget* parent) : wizard_page(wiz::PAGE_FINISH, parent) {
  setPixmap(QWizard::WatermarkPixmap, wizard_shell::watermark());
  auto* layout = new QVBoxLayout(this);
  auto* title = with_id(new QLabel(tr("Conversion is Completed"), this), 1313);
  title->setFont(wiz_title_font());
  layout->addWidget(title);
  layout->addSpacing(8);
  auto* result = with_id(new QLabel(this), 1314);
  result->setWordWrap(true);
  layout->addWidget(result);
  auto* errors = with_id(new QPlainTextEdit(this), 1016);
  errors->setReadOnly(true);
  errors->hide();
  errors->installEventFilter(this);
  layout->addWidget(errors, 1);
  auto* status = new QLabel(this);
  status->setObjectName(QStringLiteral("verify_status"));
  status->setWordWrap(true);
  status->hide();
  layout->addWidget(status);
  auto* table = new QTableWidget(0, 5, this);
  table->setObjectName(QStringLiteral("verify_table"));
  table->setHorizontalHeaderLabels(
      {tr("Table"), tr("Access rows"), tr("Oracle rows"), tr("Content"), tr("First difference")});
  table->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table->setSelectionBehavior(QAbstractItemView::SelectRows);
  table->verticalHeader()->hide();
  table->horizontalHeader()->setStretchLastSection(true);
  table->hide();
  layout->addWidget(table, 2);
  layout->addStretch(0);
  auto* row = new QHBoxLayout;
  auto* save = with_id(new QPushButton(tr("&Save Settings"), this), 1116);
  connect(save, &QPushButton::clicked, this, &gui_finish_page::on_save_settings);
  row->addWidget(save);
  auto* verify = new QPushButton(tr("&Verify"), this);
  verify->setObjectName(QStringLiteral("verify"));
  verify->setToolTip(tr("Compare every converted table with the MS Access database"));
  connect(verify, &QPushButton::clicked, this, &gui_finish_page::on_verify);
  row->addWidget(verify);
  row->addStretch(1);
  layout->addLayout(row);
}

int gui_finish_page::page_init() {
  tk_trace(2, "gui_finish_page::page_init");
  control(1313)->setFont(wiz_title_font());
  wizard_shell* shell = wizard_shell::instance_ptr();
  if (shell) {
    shell->enable_button(wiz::BTN_CANCEL, false);
    shell->enable_button(wiz::BTN_HELP, false);
  }
  const std::vector<std::string> errors = shell ? shell->errors() : std::vector<std::string>{};
  auto* result = ctrl<QLabel>(1314);
  auto* box = ctrl<QPlainTextEdit>(1016);
  if (errors.empty()) {
    tk_trace(2, "Display success-message");
    result->setText(
        tr("Wizard has migrated your MS Access database to\nOracle server successfully.\n\n"
           "Click 'Finish' to exit the wizard."));
    box->hide();
    return 0;
  }
  tk_trace(2, "Display errors");
  result->setText(
      tr("There were some errors while converting the database.\nClick 'Finish' to exit the "
         "wizard."));
  QString text;
  for (std::string line : errors) {
    for (char& c : line)
      if (c == '\n') c = ' ';
    text += QString::fromStdString(line) + QStringLiteral("\r\n\r\n");
  }
  box->setPlainText(text);
  box->show();
  box->setReadOnly(true);
  return 0;
}

bool gui_finish_page::eventFilter(QObject* watched, QEvent* event) {
  if (watched == control(1016) && event->type() == QEvent::FocusIn) on_eb_focus();
  return wizard_page::eventFilter(watched, event);
}

void gui_finish_page::on_eb_focus() {
  tk_trace(2, "gui_finish_page::on_eb_focus");
  if (focus_seen_) return;
  focus_seen_ = true;
  auto* box = ctrl<QPlainTextEdit>(1016);
  QTextCursor cursor = box->textCursor();
  cursor.movePosition(QTextCursor::End);
  box->setTextCursor(cursor);
  box->ensureCursorVisible();
  if (wizard_shell* shell = wizard_shell::instance_ptr())
    if (QAbstractButton* finish = shell->button(QWizard::FinishButton))
      QMetaObject::invokeMethod(
          finish, [finish] { finish->setFocus(Qt::OtherFocusReason); }, Qt::QueuedConnection);
}

void gui_finish_page::on_save_settings() {
  const QString path =
      wizard_shell::choose_file(wizard_presenter::file_mode::save, tr("Select Profile File"),
                                wiz_profile_filters(), QLatin1String(wiz::PROFILE_EXTENSION));
  if (path.isEmpty()) return;
  tarvel_convertor::instance().store_profile_file(path.toStdWString());
}

gui_finish_page::~gui_finish_page() {
  stop_ = true;
  join_worker();
}

void gui_finish_page::join_worker() {
  if (worker_.joinable()) worker_.join();
}

void gui_finish_page::on_verify() {
  tk_trace(2, "gui_finish_page::on_verify");
  if (worker_.joinable()) return;  // one check at a time
  findChild<QPushButton*>(QStringLiteral("verify"))->setEnabled(false);
  auto* status = findChild<QLabel*>(QStringLiteral("verify_status"));
  status->setText(tr("Verifying the converted tables..."));
  status->show();
  stop_ = false;
  tarvel_convertor& conv = tarvel_convertor::instance();
  // The worker touches no widget: it hands its result to the page's thread.
  worker_ = std::thread([this, &conv] {
    try {
      auto result = std::make_shared<verify_result>(verify_converted(conv, &stop_));
      QMetaObject::invokeMethod(
          this, [this, result] { show_verify_result(*result); }, Qt::QueuedConnection);
    } catch (const std::exception& e) {
      const QString message = QString::fromStdString(e.what());
      QMetaObject::invokeMethod(
          this, [this, message] { show_verify_failure(message); }, Qt::QueuedConnection);
    }
  });
}

void gui_finish_page::show_verify_result(const verify_result& result) {
  join_worker();
  findChild<QPushButton*>(QStringLiteral("verify"))->setEnabled(true);
  auto* table = findChild<QTableWidget*>(QStringLiteral("verify_table"));
  table->setRowCount(0);
  for (const verify_table_result& t : result.tables) {
    const int row = table->rowCount();
    table->insertRow(row);
    auto count = [](const std::optional<uint64_t>& n) {
      return n ? QString::number(*n) : QStringLiteral("-");
    };
    const QString cells[] = {QString::fromStdString(t.shown_name()), count(t.access_rows),
                             count(t.oracle_rows), QString::fromLatin1(t.content()),
                             QString::fromStdString(t.first_difference())};
    for (int c = 0; c < 5; ++c) {
      auto* item = new QTableWidgetItem(cells[c]);
      if (c == 1 || c == 2) item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
      table->setItem(row, c, item);
    }
  }
  table->resizeColumnsToContents();
  table->show();
  using state = verify_table_result::state;
  auto* status = findChild<QLabel*>(QStringLiteral("verify_status"));
  status->setText(tr("%1 tables: %2 equal, %3 differing, %4 missing in Oracle, %5 missing in "
                     "Access; %6 items not carried over (see tarvel-verify for the list).")
                      .arg(result.tables.size())
                      .arg(result.count(state::equal))
                      .arg(result.count(state::differs))
                      .arg(result.count(state::missing_in_oracle))
                      .arg(result.count(state::missing_in_access))
                      .arg(result.not_carried_over.size()));
}

void gui_finish_page::show_verify_failure(const QString& message) {
  join_worker();
  findChild<QPushButton*>(QStringLiteral("verify"))->setEnabled(true);
  findChild<QLabel*>(QStringLiteral("verify_status"))
      ->setText(tr("The verification could not run:\n%1").arg(message));
}
