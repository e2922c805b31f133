// The progress page: the conversion's worker and its display.
#include "GUI2/progress_page.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QLabel>
#include <QProgressBar>
#include <QTimer>
#include <QVBoxLayout>
#include <chrono>

#include "GUI2/progress_status.h"
#include "GUI2/wizard_ids.h"
#include "GUI2/wizard_shell.h"
#include "TK/tk_thread.h"
#include "TK/tk_trace.h"
#include "common/tarvel_convertor.h"

namespace {

// Runs the converter (not owned) on the worker thread.
class conversion_thread : public tk_thread {
 protected:
  tk_job* create_job() override {
    set_job_owned(false);
    return &tarvel_convertor::instance();
  }
};

QString from_wide(const std::wstring& text) {
  return QString::fromStdWString(text);
}

}  // namespace

progress_page::progress_page(QWidget* parent) : wizard_page(wiz::PAGE_PROGRESS, parent) {
  tk_trace(2, "progress_page::ctor");
  setTitle(tr("Step 5 of 5"));
  setSubTitle(tr("Database conversion is in progress"));
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(new QLabel(tr("Database conversion is in progress. Please wait until wizard "
                                  "completes\nmoving your MS Access database to Oracle server."),
                               this));
  layout->addSpacing(16);
  auto* status = with_id(new QLabel(this), wiz::PROGRESS_STATUS);
  status->setTextFormat(Qt::PlainText);
  // Several tables at once (jobs) make a long line: it wraps rather than
  // widening the wizard.
  status->setWordWrap(true);
  layout->addWidget(status);
  auto* bar = with_id(new QProgressBar(this), wiz::PROGRESS_BAR);
  bar->setRange(0, 100);
  bar->setValue(0);
  layout->addWidget(bar);
  auto* details = new QHBoxLayout();
  auto* records = new QLabel(this);
  records->setObjectName(QStringLiteral("records"));
  auto* elapsed = new QLabel(this);
  elapsed->setObjectName(QStringLiteral("elapsed"));
  details->addWidget(records);
  details->addStretch(1);
  details->addWidget(elapsed);
  layout->addLayout(details);
  layout->addStretch(1);
}

progress_page::~progress_page() {
  // The program is ending with the run still going: stop it and join.
  stop_conversion();
}

bool progress_page::running() const {
  return worker_ && worker_->running();
}

int progress_page::page_init() {
  tk_trace(2, "progress_page::page_init");
  ctrl<QProgressBar>(wiz::PROGRESS_BAR)->setValue(0);
  // The run happens once: the page cannot be left with Back.
  if (!worker_) {
    tarvel_convertor::instance().set_finished(false);
    elapsed_.start();
    worker_ = std::make_unique<conversion_thread>();
    worker_->start();
  }
  return 0;
}

void progress_page::on_timer() {
  if (stopping_) return;
  const tarvel_convertor& conv = tarvel_convertor::instance();
  // Records first: the table counters may move on between the reads, which
  // costs at most one tick of a slightly wrong position.
  const int32_t records = conv.records_in_current_table.load();
  const int32_t record = conv.current_record_index.load();
  ctrl<QProgressBar>(wiz::PROGRESS_BAR)
      ->setValue(static_cast<int>(progress_position(conv.tables_to_convert.load(),
                                                    conv.tables_done.load(), records, record)));
  if (conv.is_finished()) {
    if (run_ms_ < 0) run_ms_ = elapsed_.elapsed();
    if (wizard_shell* shell = wizard_shell::instance_ptr()) {
      shell->stop_timer();
      join_worker();  // the run has ended
      shell->go_to_page(wiz::PAGE_FINISH);
    }
    return;
  }
  const std::wstring name = conv.current_table_name();
  ctrl<QLabel>(wiz::PROGRESS_STATUS)->setText(from_wide(progress_status_text(name)));
  findChild<QLabel*>(QStringLiteral("records"))
      ->setText(from_wide(name.empty() ? std::wstring() : progress_record_text(records, record)));
  if (elapsed_.isValid())
    findChild<QLabel*>(QStringLiteral("elapsed"))
        ->setText(from_wide(progress_elapsed_text(std::chrono::duration_cast<std::chrono::seconds>(
            std::chrono::milliseconds(elapsed_.elapsed())))));
}

qint64 progress_page::elapsed_ms() const {
  if (run_ms_ >= 0) return run_ms_;
  return elapsed_.isValid() ? elapsed_.elapsed() : 0;
}

std::wstring progress_page::stop_question() {
  const tarvel_convertor& conv = tarvel_convertor::instance();
  const std::wstring table = conv.current_table_name();
  std::wstring text = L"Stop the conversion?\r\n\r\nThe tables converted so far stay in Oracle";
  if (!table.empty())
    text += L", and table '" + table + L"' keeps the " +
            std::to_wstring(conv.current_record_index.load()) + L" of " +
            std::to_wstring(conv.records_in_current_table.load()) + L" records copied so far";
  text +=
      L". The tables not yet reached are not converted.\r\nRun the conversion again in Merge "
      L"mode to complete it.";
  return text;
}

bool progress_page::on_cancel() {
  if (!running() || stopping_) return wizard_page::on_cancel();
  // The run waits before its next record while the question is open.
  tarvel_convertor& conv = tarvel_convertor::instance();
  conv.set_paused(true);
  if (!wizard_shell::question(stop_question(), true)) {
    conv.set_paused(false);
    return false;
  }
  stop_conversion();
  // The wizard stays open and shows what the stopped run left.
  if (wizard_shell* shell = wizard_shell::instance_ptr()) shell->go_to_page(wiz::PAGE_FINISH);
  return false;
}

void progress_page::on_help() {
  if (wizard_shell* shell = wizard_shell::instance_ptr()) shell->display_help();
}

void progress_page::stop_conversion() {
  if (!worker_ || !worker_->has_thread()) return;
  stopping_ = true;
  if (worker_->running()) {
    tk_trace(3, "Stopping the conversion on request");
    if (tarvel_convertor::exists()) {
      tarvel_convertor::instance().request_stop();
      tarvel_convertor::instance().set_paused(false);
    }
    // The worker may be waiting for the GUI thread (a dialog, the timer's
    // start): keep serving queued calls, but not the user's input, until it
    // has ended.
    if (QCoreApplication::instance() != nullptr) {
      QEventLoop loop;
      QTimer poll;
      QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (!worker_->running()) loop.quit();
      });
      poll.start(10);
      if (worker_->running()) loop.exec(QEventLoop::ExcludeUserInputEvents);
    }
  }
  join_worker();
  if (run_ms_ < 0 && elapsed_.isValid()) run_ms_ = elapsed_.elapsed();
  if (wizard_shell* shell = wizard_shell::instance_ptr()) shell->stop_timer();
}

void progress_page::join_worker() {
  if (!worker_ || !worker_->has_thread()) return;
  // kill() joins a thread that still runs; release() one that has ended.
  if (worker_->running())
    worker_->kill();
  else
    worker_->release();
}
