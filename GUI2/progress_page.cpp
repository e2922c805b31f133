// Placeholder progress page.
#include "GUI2/progress_page.h"

#include <QLabel>
#include <QProgressBar>
#include <QVBoxLayout>

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

}  // namespace

progress_page::progress_page(QWidget* parent) : wizard_page(wiz::PAGE_PROGRESS, parent) {
  tk_trace(2, "progress_page::ctor");
  setTitle(tr("Step 5 of 5"));
  setSubTitle(tr("Database conversion is in progress"));
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(new QLabel(tr("Database conversion is in progress. Please wait until wizard "
                                  "completes\nmoving your MS Access database to Oracle server."),
                               this));
  layout->addWidget(with_id(new QLabel(this), 1323));
  auto* bar = with_id(new QProgressBar(this), 1321);
  bar->setRange(0, 100);
  layout->addWidget(bar);
  layout->addStretch(1);
}

progress_page::~progress_page() {
  if (worker_ && worker_->running()) worker_->kill();
}

int progress_page::page_init() {
  tk_trace(2, "progress_page::page_init");
  ctrl<QProgressBar>(1321)->setValue(0);
  if (!worker_) {
    worker_ = std::make_unique<conversion_thread>();
    tarvel_convertor::instance().set_finished(false);
    worker_->start();
  }
  return 0;
}

void progress_page::on_timer() {
  const tarvel_convertor& conv = tarvel_convertor::instance();
  const unsigned tables = static_cast<unsigned>(conv.tables_to_convert.load());
  const unsigned records = static_cast<unsigned>(conv.records_in_current_table.load());
  unsigned position = 0;
  if (tables > 0) {
    position = static_cast<unsigned>(conv.tables_done.load()) * 100 / tables;
    if (records > 0)
      position += static_cast<unsigned>(conv.current_record_index.load()) * 100 / records / tables;
  }
  ctrl<QProgressBar>(1321)->setValue(static_cast<int>(position));
  if (conv.is_finished()) {
    wizard_shell* shell = wizard_shell::instance_ptr();
    shell->stop_timer();
    shell->go_to_page(wiz::PAGE_FINISH);
    return;
  }
  const std::wstring name = conv.current_table_name();
  ctrl<QLabel>(1323)->setText(
      name.empty() ? QString() : tr("Processing table '%1'").arg(QString::fromStdWString(name)));
}
