// Step 5, the progress page (107): runs the conversion on a worker thread,
// shows how far it has got on every tick of the shell's progress timer (bar,
// current table, records done of that table, elapsed time) and moves to the
// finish page when the run has ended. Cancel asks the wizard's question and,
// on Yes, asks the run to stop after its current record and waits for the
// worker to end before the wizard closes; the worker is joined, never killed.
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
  // Asks the run to stop and waits for the worker to end, serving the GUI
  // thread's queued calls meanwhile (a worker may be waiting on one).
  void stop_conversion();

 private:
  // Waits for the worker's thread to end (it has ended or been asked to).
  void join_worker();

  std::unique_ptr<tk_thread> worker_;
  QElapsedTimer elapsed_;
  bool stopping_ = false;
};
