// Step 5, the progress page (107): runs the conversion on a worker thread,
// shows how far it has got on every tick of the shell's progress timer (bar,
// current table, records done of that table, elapsed time) and moves to the
// finish page when the run has ended. Cancel during the run holds it before
// its next record and asks whether to stop it; on Yes the run stops there,
// the worker is joined (never killed) and the finish page shows the stopped
// run; on No the run goes on.
#pragma once

#include <QElapsedTimer>
#include <memory>

#include "GUI2/wizard_page.h"

class tk_thread;

class progress_page : public wizard_page {
  Q_OBJECT
 public:
  explicit progress_page(QWidget* parent = nullptr);
  ~progress_page() override;

  int page_init() override;
  void on_timer() override;
  bool on_cancel() override;
  void on_help() override;
  unsigned wizard_buttons() const override { return 0; }
  int help_context() const override { return 0; }

  // True while the conversion's worker thread runs.
  bool running() const;
  // How long the run took (or has taken so far), in milliseconds; 0 before
  // it starts.
  qint64 elapsed_ms() const;
  // Asks the run to stop and waits for the worker to end, serving the GUI
  // thread's queued calls meanwhile (a worker may be waiting on one).
  void stop_conversion();

 private:
  // Waits for the worker's thread to end (it has ended or been asked to).
  void join_worker();

  // The question of a Cancel during the run, with what a stop keeps.
  static std::wstring stop_question();

  std::unique_ptr<tk_thread> worker_;
  QElapsedTimer elapsed_;
  qint64 run_ms_ = -1;  // fixed when the run has ended
  bool stopping_ = false;
};
