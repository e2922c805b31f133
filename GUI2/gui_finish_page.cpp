// Finish page.
#include "GUI2/gui_finish_page.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QDesktopServices>
#include <QEvent>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QUrl>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

#include "GUI2/progress_page.h"
#include "GUI2/result_table.h"
#include "GUI2/welcome_page.h"
#include "GUI2/wizard_ids.h"
#include "GUI2/wizard_settings.h"
#include "GUI2/wizard_shell.h"
#include "TK/tk_exception.h"
#include "TK/tk_trace.h"
#include "common/tarvel_convertor.h"
#include "verify/verify_run.h"

namespace {

// Columns of the per-table lines.
enum outcome_column : int {
  COL_ACCESS,
  COL_ORACLE,
  COL_WRITTEN,
  COL_REFUSED,
  COL_IN_ORACLE,
  COL_TIME,
  COL_CHILDREN,
  COL_RESULT,
  COL_COUNT
};

QString from_wide(const std::wstring& text) {
  return QString::fromStdWString(text);
}

// "1 table", "2 tables".
QString counted(uint64_t n, const char* one, const char* many) {
  return QStringLiteral("%1 %2").arg(n).arg(QLatin1String(n == 1 ? one : many));
}

// The rows a table holds in Oracle now, or -1 when they cannot be counted.
int64_t rows_in_oracle(tarvel_convertor& conv, const std::wstring& table) {
  if (table.empty() || !conv.oracle.engine.is_connected()) return -1;
  try {
    return conv.oracle.engine.get_records_cnt(table, false);
  } catch (...) {
    return -1;
  }
}

QString outcome_result(const table_outcome& t) {
  if (t.failed()) {
    const std::string first = t.error.substr(0, t.error.find('\n'));
    return QStringLiteral("failed: ") + QString::fromStdString(first);
  }
  if (t.stopped) return QStringLiteral("stopped");
  if (t.skipped) return QStringLiteral("skipped: the Oracle table exists");
  if (t.destination_name.empty()) return QStringLiteral("not converted (system or linked table)");
  QString result = QStringLiteral("converted");
  if (t.synchronized)
    result += QStringLiteral(", %1 unchanged, %2 updated, %3 inserted")
                  .arg(t.rows_unchanged)
                  .arg(t.rows_updated)
                  .arg(t.rows_inserted());
  if (t.rows_refused > 0)
    result += QStringLiteral(", ") + counted(t.rows_refused, "record", "records") +
              QStringLiteral(" refused");
  return result;
}

}  // namespace

gui_finish_page::gui_finish_page(QWidget* parent) : wizard_page(wiz::PAGE_FINISH, parent) {
  setPixmap(QWizard::WatermarkPixmap, wizard_shell::watermark());
  auto* layout = new QVBoxLayout(this);
  auto* title = with_id(new QLabel(tr("Conversion is Completed"), this), wiz::FINISH_TITLE);
  title->setFont(wiz_title_font());
  layout->addWidget(title);
  layout->addSpacing(4);
  auto* result = with_id(new QLabel(this), wiz::FINISH_RESULT);
  result->setWordWrap(true);
  result->setTextFormat(Qt::PlainText);
  layout->addWidget(result);
  auto* summary = new QLabel(this);
  summary->setObjectName(QStringLiteral("summary"));
  summary->setWordWrap(true);
  summary->hide();
  layout->addWidget(summary);

  auto* tabs = new QTabWidget(this);
  tabs->setObjectName(QStringLiteral("details"));
  auto* outcomes = new QTableWidget(0, COL_COUNT, this);
  outcomes->setObjectName(QStringLiteral("outcomes"));
  outcomes->setHorizontalHeaderLabels({tr("Access table"), tr("Oracle table"), tr("Written"),
                                       tr("Refused"), tr("In Oracle"), tr("Time"),
                                       tr("Child tables"), tr("Result")});
  wiz_prepare_result_table(outcomes);
  outcomes->setColumnHidden(COL_IN_ORACLE, true);
  tabs->addTab(outcomes, tr("Tables"));
  auto* table = new QTableWidget(0, 6, this);
  table->setObjectName(QStringLiteral("verify_table"));
  table->setHorizontalHeaderLabels({tr("Table"), tr("Oracle table"), tr("Access rows"),
                                    tr("Oracle rows"), tr("Content"), tr("First difference")});
  wiz_prepare_result_table(table);
  tabs->addTab(table, tr("Verify"));
  auto* omitted = new QTableWidget(0, 3, this);
  omitted->setObjectName(QStringLiteral("not_carried_over"));
  omitted->setHorizontalHeaderLabels({tr("Kind"), tr("Object"), tr("Detail")});
  wiz_prepare_result_table(omitted);
  tabs->addTab(omitted, tr("Not carried over"));
  tabs->setTabVisible(1, false);
  tabs->setTabVisible(2, false);
  tabs->hide();
  layout->addWidget(tabs, 3);

  auto* errors = with_id(new QPlainTextEdit(this), wiz::FINISH_ERRORS);
  errors->setReadOnly(true);
  errors->hide();
  errors->installEventFilter(this);
  layout->addWidget(errors, 1);
  auto* status = new QLabel(this);
  status->setObjectName(QStringLiteral("verify_status"));
  status->setWordWrap(true);
  status->hide();
  layout->addWidget(status);
  layout->addStretch(0);

  auto* row = new QHBoxLayout;
  auto* save = with_id(new QPushButton(tr("&Save Settings"), this), wiz::FINISH_SAVE_SETTINGS);
  connect(save, &QPushButton::clicked, this, &gui_finish_page::on_save_settings);
  row->addWidget(save);
  auto* verify = new QPushButton(tr("&Verify"), this);
  verify->setObjectName(QStringLiteral("verify"));
  verify->setToolTip(tr("Compare every converted table with the MS Access database"));
  connect(verify, &QPushButton::clicked, this, &gui_finish_page::on_verify);
  row->addWidget(verify);
  auto* report = new QPushButton(tr("Save &Report"), this);
  report->setObjectName(QStringLiteral("save_report"));
  report->setToolTip(tr("Save what Verify found as text, CSV or JSON"));
  report->setEnabled(false);
  connect(report, &QPushButton::clicked, this, &gui_finish_page::on_save_report);
  row->addWidget(report);
  auto* log = new QPushButton(tr("Open &Log"), this);
  log->setObjectName(QStringLiteral("open_log"));
  connect(log, &QPushButton::clicked, this, &gui_finish_page::on_open_log);
  row->addWidget(log);
  row->addStretch(1);
  layout->addLayout(row);
  auto* at_once = new QCheckBox(tr("Verify &every conversion as soon as it ends"), this);
  at_once->setObjectName(QStringLiteral("verify_at_once"));
  connect(at_once, &QCheckBox::toggled, this,
          [](bool on) { wizard_settings::set_verify_at_once(on); });
  layout->addWidget(at_once);
}

QString gui_finish_page::duration_text(double seconds) {
  if (seconds < 10) return QStringLiteral("%1 s").arg(seconds, 0, 'f', 1);
  const auto whole = static_cast<long long>(std::llround(seconds));
  if (whole < 60) return QStringLiteral("%1 s").arg(whole);
  const long long h = whole / 3600, m = whole / 60 % 60, s = whole % 60;
  if (h == 0) return QStringLiteral("%1:%2").arg(m).arg(s, 2, 10, QLatin1Char('0'));
  return QStringLiteral("%1:%2:%3")
      .arg(h)
      .arg(m, 2, 10, QLatin1Char('0'))
      .arg(s, 2, 10, QLatin1Char('0'));
}

QString gui_finish_page::result_text(bool stopped) const {
  const tarvel_convertor& conv = tarvel_convertor::instance();
  wizard_shell* shell = wizard_shell::instance_ptr();
  const bool errors = shell && !shell->errors().empty();
  const QString click = tr("Click 'Finish' to exit the wizard.");
  if (stopped) {
    const udb_converter::stop_point& at = *conv.last_stop;
    QString first = at.table.empty()
                        ? tr("The conversion was stopped between two tables.")
                        : tr("The conversion was stopped in table '%1' after %2 of %3 records.")
                              .arg(from_wide(at.table))
                              .arg(at.records)
                              .arg(conv.records_in_current_table.load());
    return first + QLatin1Char('\n') +
           tr("The tables below keep the rows shown in Oracle; run the conversion again in "
              "Merge mode to complete it.") +
           QStringLiteral("\n\n") + click;
  }
  uint64_t refused = 0, failed = 0;
  for (const table_outcome& t : conv.outcomes) {
    refused += t.rows_refused;
    failed += t.failed() ? 1 : 0;
  }
  if (!errors && refused == 0 && failed == 0) {
    if (conv.outcomes.empty())
      return tr("No table was converted: none was selected.") + QStringLiteral("\n\n") + click;
    return tr(
        "Wizard has migrated your MS Access database to\nOracle server successfully.\n\n"
        "Click 'Finish' to exit the wizard.");
  }
  QString detail;
  if (failed > 0) detail = counted(failed, "table", "tables") + tr(" not converted");
  if (refused > 0) {
    if (!detail.isEmpty()) detail += QStringLiteral(", ");
    detail += counted(refused, "record", "records") + tr(" refused");
  }
  if (detail.isEmpty())
    return tr(
        "There were some errors while converting the database.\nClick 'Finish' to exit the "
        "wizard.");
  return tr("There were some errors while converting the database: %1.").arg(detail) +
         QLatin1Char('\n') + click;
}

void gui_finish_page::show_outcomes(bool stopped) {
  tarvel_convertor& conv = tarvel_convertor::instance();
  auto* table = findChild<QTableWidget*>(QStringLiteral("outcomes"));
  auto* tabs = findChild<QTabWidget*>(QStringLiteral("details"));
  auto* summary = findChild<QLabel*>(QStringLiteral("summary"));
  table->setRowCount(0);
  bool counted_in_oracle = false;
  uint64_t written = 0, refused = 0, tables = 0;
  for (const table_outcome& t : conv.outcomes) {
    const int row = table->rowCount();
    table->insertRow(row);
    QString children;
    for (const std::wstring& child : t.child_tables)
      children += (children.isEmpty() ? QString() : QStringLiteral(", ")) + from_wide(child);
    const bool reached = !t.destination_name.empty() && !t.skipped;
    QString in_oracle = QStringLiteral("-");
    if (stopped && !t.destination_name.empty()) {
      const int64_t n = rows_in_oracle(conv, t.destination_name);
      if (n >= 0) {
        in_oracle = QString::number(n);
        counted_in_oracle = true;
      }
    }
    const QString cells[COL_COUNT] = {
        (t.parent.empty() ? QString() : QStringLiteral("  ")) + from_wide(t.source_name),
        t.destination_name.empty() ? QStringLiteral("-") : from_wide(t.destination_name),
        reached ? QString::number(t.rows_written()) : QStringLiteral("-"),
        reached ? QString::number(t.rows_refused) : QStringLiteral("-"),
        in_oracle,
        duration_text(t.seconds),
        children,
        outcome_result(t)};
    for (int c = 0; c < COL_COUNT; ++c) {
      auto* item = new QTableWidgetItem(cells[c]);
      if (c == COL_WRITTEN || c == COL_REFUSED || c == COL_IN_ORACLE || c == COL_TIME)
        item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
      table->setItem(row, c, item);
    }
    table->item(row, COL_ACCESS)->setToolTip(wiz_tooltip(from_wide(t.source_name)));
    table->item(row, COL_ORACLE)->setToolTip(wiz_tooltip(cells[COL_ORACLE]));
    table->item(row, COL_RESULT)
        ->setToolTip(wiz_tooltip(t.failed() ? QString::fromStdString(t.error) : cells[COL_RESULT]));
    if (reached) {
      tables += t.failed() ? 0 : 1;
      written += t.rows_written();
      refused += t.rows_refused;
    }
  }
  // Rows in Oracle: after a stop, where Oracle could count them.
  table->setColumnHidden(COL_IN_ORACLE, !counted_in_oracle);
  wiz_fit_result_columns(table, {COL_ACCESS, COL_ORACLE, COL_CHILDREN});
  tabs->setCurrentIndex(0);
  tabs->setVisible(table->rowCount() > 0);
  QString elapsed;
  if (wizard_shell* shell = wizard_shell::instance_ptr())
    if (auto* progress = qobject_cast<progress_page*>(shell->page(wiz::PAGE_PROGRESS)))
      elapsed = tr(" Elapsed time: %1.")
                    .arg(duration_text(static_cast<double>(progress->elapsed_ms()) / 1000.0));
  summary->setText(tr("%1: %2 written, %3 refused.")
                       .arg(counted(tables, "table", "tables"))
                       .arg(counted(written, "row", "rows"))
                       .arg(refused) +
                   elapsed);
  summary->setVisible(!conv.outcomes.empty());
  grow_to_show(table);
}

void gui_finish_page::grow_to_show(QTableWidget* table) {
  QMetaObject::invokeMethod(
      this,
      [this, table] {
        wizard_shell* shell = wizard_shell::instance_ptr();
        if (!shell || !shell->isVisible() || !table->isVisible() || shell->isMaximized()) return;
        int needed = 2 * table->frameWidth() + table->verticalScrollBar()->sizeHint().width() + 16;
        const int last = table->columnCount() - 1;
        for (int c = 0; c < last; ++c)
          if (!table->isColumnHidden(c)) needed += table->columnWidth(c);
        // The last column stretches; what it needs, up to two name columns.
        int last_width = table->horizontalHeader()->sectionSizeHint(last);
        for (int r = 0; r < table->rowCount(); ++r)
          if (const QTableWidgetItem* item = table->item(r, last))
            last_width =
                std::max(last_width, table->fontMetrics().horizontalAdvance(item->text()) + 12);
        needed +=
            std::min(last_width, 2 * table->fontMetrics().averageCharWidth() * kNameColumnChars);
        const int extra = needed - table->width();
        if (extra <= 0) return;
        const QScreen* screen = shell->screen();
        const QRect area = screen ? screen->availableGeometry() : QRect(0, 0, 1280, 960);
        const int width = std::min(shell->width() + extra, area.width() * 9 / 10);
        const int height =
            std::min(std::max(shell->height(), shell->height() + 80), area.height() * 9 / 10);
        shell->resize(width, height);
        // Kept on the screen, centred where it grew past an edge.
        QRect frame = shell->frameGeometry();
        if (!area.contains(frame)) {
          frame.moveCenter(area.center());
          shell->move(frame.topLeft());
        }
      },
      Qt::QueuedConnection);
}

int gui_finish_page::page_init() {
  tk_trace(2, "gui_finish_page::page_init");
  control(wiz::FINISH_TITLE)->setFont(wiz_title_font());
  wizard_shell* shell = wizard_shell::instance_ptr();
  if (shell) {
    shell->enable_button(wiz::BTN_CANCEL, false);
    shell->enable_button(wiz::BTN_HELP, false);
  }
  const bool stopped = tarvel_convertor::instance().last_stop.has_value();
  ctrl<QLabel>(wiz::FINISH_TITLE)
      ->setText(stopped ? tr("Conversion is Stopped") : tr("Conversion is Completed"));
  show_outcomes(stopped);
  auto* log = findChild<QPushButton*>(QStringLiteral("open_log"));
  const bool have_log = tk_log::exists() && tk_log::instance().enabled() &&
                        QFileInfo(QString::fromStdString(tk_log::instance().file_name())).isFile();
  log->setEnabled(have_log);
  log->setToolTip(have_log ? QString::fromStdString(tk_log::instance().file_name())
                           : tr("No trace file was written in this run"));
  auto* at_once = findChild<QCheckBox*>(QStringLiteral("verify_at_once"));
  {
    const QSignalBlocker quiet(at_once);
    at_once->setChecked(wizard_settings::verify_at_once());
  }
  if (at_once->isChecked() && !auto_verified_) {
    auto_verified_ = true;
    on_verify();
  }

  const std::vector<std::string> errors = shell ? shell->errors() : std::vector<std::string>{};
  auto* result = ctrl<QLabel>(wiz::FINISH_RESULT);
  auto* box = ctrl<QPlainTextEdit>(wiz::FINISH_ERRORS);
  if (errors.empty()) {
    tk_trace(2, "Display success-message");
    result->setText(result_text(stopped));
    box->hide();
    return 0;
  }
  tk_trace(2, "Display errors");
  result->setText(result_text(stopped));
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
  if (watched == control(wiz::FINISH_ERRORS) && event->type() == QEvent::FocusIn) on_eb_focus();
  return wizard_page::eventFilter(watched, event);
}

void gui_finish_page::on_eb_focus() {
  tk_trace(2, "gui_finish_page::on_eb_focus");
  if (focus_seen_) return;
  focus_seen_ = true;
  auto* box = ctrl<QPlainTextEdit>(wiz::FINISH_ERRORS);
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

void gui_finish_page::on_open_log() {
  if (!tk_log::exists()) return;
  QDesktopServices::openUrl(
      QUrl::fromLocalFile(QString::fromStdString(tk_log::instance().file_name())));
}

bool gui_finish_page::save_report(const QString& path) const {
  if (!verified_) return false;
  const QString suffix = QFileInfo(path).suffix().toLower();
  const std::string text = suffix == QLatin1String("csv")    ? verify_format_csv(*verified_)
                           : suffix == QLatin1String("json") ? verify_format_json(*verified_)
                                                             : verify_format_text(*verified_);
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) return false;
  return file.write(text.data(), static_cast<qint64>(text.size())) ==
             static_cast<qint64>(text.size()) &&
         file.flush();
}

void gui_finish_page::on_save_report() {
  const QString path = wizard_shell::choose_file(
      wizard_presenter::file_mode::save, tr("Save Verification Report"),
      {tr("Text (*.txt)"), tr("CSV (*.csv)"), tr("JSON (*.json)")}, QStringLiteral("txt"));
  if (path.isEmpty()) return;
  if (!save_report(path))
    wizard_shell::error(L"The report could not be written to\r\n" + path.toStdWString());
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
  verified_ = std::make_unique<verify_result>(result);
  findChild<QPushButton*>(QStringLiteral("verify"))->setEnabled(true);
  findChild<QPushButton*>(QStringLiteral("save_report"))->setEnabled(true);
  auto* table = findChild<QTableWidget*>(QStringLiteral("verify_table"));
  table->setRowCount(0);
  for (const verify_table_result& t : result.tables) {
    const int row = table->rowCount();
    table->insertRow(row);
    auto count = [](const std::optional<uint64_t>& n) {
      return n ? QString::number(*n) : QStringLiteral("-");
    };
    const QString oracle =
        t.oracle_table.empty() ? QStringLiteral("-") : QString::fromStdString(t.oracle_table);
    const QString cells[] = {QString::fromStdString(t.shown_name()),
                             oracle,
                             count(t.access_rows),
                             count(t.oracle_rows),
                             QString::fromLatin1(t.content()),
                             QString::fromStdString(t.first_difference())};
    for (int c = 0; c < 6; ++c) {
      auto* item = new QTableWidgetItem(cells[c]);
      if (c == 2 || c == 3) item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
      if (c == 0 || c == 1 || c == 5) item->setToolTip(wiz_tooltip(cells[c]));
      table->setItem(row, c, item);
    }
  }
  wiz_fit_result_columns(table, {0, 1});
  grow_to_show(table);
  auto* omitted = findChild<QTableWidget*>(QStringLiteral("not_carried_over"));
  omitted->setRowCount(0);
  for (const verify_omission& o : result.not_carried_over) {
    const int row = omitted->rowCount();
    omitted->insertRow(row);
    const QString cells[] = {QString::fromStdString(o.kind), QString::fromStdString(o.object),
                             QString::fromStdString(o.detail)};
    for (int c = 0; c < 3; ++c) {
      auto* item = new QTableWidgetItem(cells[c]);
      item->setToolTip(wiz_tooltip(cells[c]));
      omitted->setItem(row, c, item);
    }
  }
  wiz_fit_result_columns(omitted, {1});
  auto* tabs = findChild<QTabWidget*>(QStringLiteral("details"));
  tabs->setTabVisible(1, true);
  tabs->setTabVisible(2, true);
  tabs->setTabText(2, tr("Not carried over (%1)").arg(result.not_carried_over.size()));
  tabs->setCurrentIndex(1);
  tabs->show();
  using state = verify_table_result::state;
  auto* status = findChild<QLabel*>(QStringLiteral("verify_status"));
  status->setText(tr("%1: %2 equal, %3 differing, %4 missing in Oracle, %5 missing in "
                     "Access; %6 not carried over (listed under \"Not carried over\").")
                      .arg(counted(result.tables.size(), "table", "tables"))
                      .arg(result.count(state::equal))
                      .arg(result.count(state::differs))
                      .arg(result.count(state::missing_in_oracle))
                      .arg(result.count(state::missing_in_access))
                      .arg(counted(result.not_carried_over.size(), "item", "items")));
}

void gui_finish_page::show_verify_failure(const QString& message) {
  join_worker();
  findChild<QPushButton*>(QStringLiteral("verify"))->setEnabled(true);
  findChild<QLabel*>(QStringLiteral("verify_status"))
      ->setText(tr("The verification could not run:\n%1").arg(message));
}
