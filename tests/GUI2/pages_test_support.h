// Support for the tests of the table-selection, query, progress and error
// pages: a presenter that records every box and answers from a script, a
// modal-dialog driver, and the process-wide objects a page needs (error
// handler, converter) on a private settings directory. Test code only.
#pragma once

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QPointer>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "GUI2/wizard_error_reporter.h"
#include "GUI2/wizard_presenter.h"
#include "GUI2/wizard_shell.h"
#include "common/error_handler.h"
#include "common/error_messages.h"
#include "common/tarvel_convertor.h"

struct shown_box {
  wizard_presenter::box kind;
  QString text;
};

// Records the boxes and answers questions and continue dialogs from queues
// (a question without a queued answer says No, a continue dialog Continue).
class recording_presenter : public wizard_presenter {
 public:
  struct log {
    std::mutex lock;
    std::vector<shown_box> boxes;
    std::vector<QString> continue_texts, internal_texts;
    std::deque<bool> answers;
    std::deque<continue_answer> continue_answers;
  };
  explicit recording_presenter(std::shared_ptr<log> l) : log_(std::move(l)) {}

  void show(box kind, QWidget*, const QString&, const QString& text) override {
    std::lock_guard<std::mutex> hold(log_->lock);
    log_->boxes.push_back({kind, text});
  }
  bool ask(QWidget*, const QString&, const QString& text, bool) override {
    std::lock_guard<std::mutex> hold(log_->lock);
    log_->boxes.push_back({box::question, text});
    if (log_->answers.empty()) return false;
    const bool yes = log_->answers.front();
    log_->answers.pop_front();
    return yes;
  }
  QString choose_file(QWidget*, file_mode, const QString&, const QStringList&, const QString&,
                      const QString&) override {
    return {};
  }
  continue_answer ask_continue(QWidget*, const QString&, const QString& text) override {
    std::lock_guard<std::mutex> hold(log_->lock);
    log_->continue_texts.push_back(text);
    if (log_->continue_answers.empty()) return {};
    const continue_answer a = log_->continue_answers.front();
    log_->continue_answers.pop_front();
    return a;
  }
  void show_internal_error(QWidget*, const QString&, const QString& text) override {
    std::lock_guard<std::mutex> hold(log_->lock);
    log_->internal_texts.push_back(text);
  }

 private:
  std::shared_ptr<log> log_;
};

// Answers the modal dialogs of type D that open from now on, one script
// step per dialog, in order. A timer looks for them, so that no nested event
// loop keeps a dialog's exec() from returning.
template <class D>
class dialog_script : public QObject {
 public:
  void then(std::function<void(D*)> step) {
    steps_.push_back(std::move(step));
    if (!timer_.isActive()) timer_.start(5);
  }
  dialog_script() {
    QObject::connect(&timer_, &QTimer::timeout, this, [this] {
      D* dialog = qobject_cast<D*>(QApplication::activeModalWidget());
      if (!dialog || dialog == last_ || !dialog->isVisible() || steps_.empty()) return;
      last_ = dialog;
      std::function<void(D*)> step = std::move(steps_.front());
      steps_.pop_front();
      if (steps_.empty()) timer_.stop();
      step(dialog);
    });
  }
  bool done() const { return steps_.empty(); }

 private:
  QTimer timer_;
  QPointer<D> last_;
  std::deque<std::function<void(D*)>> steps_;
};

// The process-wide objects of a wizard, for one test: a private settings
// directory, the error handler with the wizard's messages, the converter of
// the wizard, and the recording presenter.
class wizard_world {
 public:
  wizard_world() {
    qputenv("XDG_CONFIG_HOME", settings_.path().toUtf8());
    handler_ = std::make_unique<error_handler>(kOracleErrorMessageCount, kOracleErrorMessages,
                                               make_reporter());
    handler_->load_err_map(kDaoErrorMessageCount, kDaoErrorMessages);
    conv_ = std::make_unique<tarvel_convertor>(tarvel_front_end::wizard);
    wizard_shell::set_presenter(std::make_unique<recording_presenter>(log_));
  }
  ~wizard_world() {
    conv_.reset();
    handler_.reset();
  }

  tarvel_convertor& conv() { return *conv_; }
  error_handler& handler() { return *handler_; }
  recording_presenter::log& log() { return *log_; }
  std::vector<QString> texts(wizard_presenter::box kind) {
    std::lock_guard<std::mutex> hold(log_->lock);
    std::vector<QString> out;
    for (const shown_box& b : log_->boxes)
      if (b.kind == kind) out.push_back(b.text);
    return out;
  }
  void clear_boxes() {
    std::lock_guard<std::mutex> hold(log_->lock);
    log_->boxes.clear();
  }

 private:
  static std::unique_ptr<error_reporter> make_reporter() {
    return std::make_unique<wizard_error_reporter>();
  }

  QTemporaryDir settings_;
  std::shared_ptr<recording_presenter::log> log_ = std::make_shared<recording_presenter::log>();
  std::unique_ptr<error_handler> handler_;
  std::unique_ptr<tarvel_convertor> conv_;
};
