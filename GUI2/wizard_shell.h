// The sheet of the wizard: one QWizard holding the pages in their order, the
// message boxes every page and the error handling use (through one presenter
// that tests replace), the wizard buttons, the 200 ms progress timer, help,
// and the list of error texts collected during a conversion.
//
// One shell per process (a second is an internal assertion failure). The
// static message functions work without a shell too (caption "Error",
// "Message", "Question", no owner) and from any thread: a call from a worker
// thread blocks until the GUI thread has shown the box and has the answer.
#pragma once

#include <QPixmap>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <QWizard>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "GUI2/wizard_presenter.h"

class wizard_page;
class help_window;

class wizard_shell : public QWizard {
  Q_OBJECT
 public:
  static constexpr size_t kMaxErrors = 20;
  static constexpr int kProgressInterval = 200;

  explicit wizard_shell(const QString& title, QWidget* parent = nullptr);
  ~wizard_shell() override;

  static wizard_shell* instance_ptr();
  // True when the shell exists and its first page has been shown.
  static bool is_initialized();

  // Message boxes (see the presenter). Captions: the title followed by
  // " Error" / " Message" / " Question" once initialized, otherwise "Error",
  // "Message", "Question".
  static void error(const std::wstring& text);
  static void error(const std::string& text);
  static void message(const std::wstring& text);
  static bool question(const std::wstring& text, bool default_no = true);
  // A file dialog that opens in the folder of `current` (the path the field
  // holds), else in the folder last used; the folder of a chosen file is
  // remembered with the settings.
  static QString choose_file(wizard_presenter::file_mode mode, const QString& title,
                             const QStringList& filters, const QString& default_suffix = {},
                             const QString& current = {});
  static wizard_presenter::continue_answer ask_continue(const std::string& text);
  static void show_internal_error(const std::string& text);

  // The presenter of the process (the Qt one until replaced).
  static void set_presenter(std::unique_ptr<wizard_presenter> presenter);
  static wizard_presenter& presenter();

  // Adds a page at the end of the order; the sheet owns it.
  void add_page(wizard_page* page);
  // The page after `page_id` in the order, or -1.
  int page_after(int page_id) const;
  const std::vector<int>& page_order() const { return order_; }
  wizard_page* current_wizard_page() const;

  QString title() const { return title_; }
  // The window's title: what the wizard does, then the sheet title (which
  // the message boxes' captions keep).
  QString window_title() const;

  // Enables or disables a button of the sheet (wiz::sheet_button ids).
  void enable_button(int button_id, bool enable);
  // Makes the page with this id current, without validating the current
  // page (the progress page's jump to the finish page).
  void go_to_page(int page_id);

  // The progress timer: every tick goes to the current page's on_timer. A
  // second start while it runs is an internal assertion failure. Safe to call
  // from a worker thread (the timer starts on the GUI thread).
  void start_timer(int interval_ms);
  void stop_timer();
  bool timer_running() const { return timer_.isActive(); }

  // The watermark of the welcome and finish pages (pages without a header).
  static QPixmap watermark();

  // Help at a context number (0: the default topic).
  void display_help(int context = 0);
  // The help file (default: the program's path with ".html").
  static void set_help_file(const QString& path);
  static QString help_file();

  // Runs `body` on the GUI thread; from a worker thread, waits for it. False
  // when it did not run: no application, or the sheet is closing and the
  // request had not started (the caller keeps its defaults).
  static bool run_on_gui_thread(const std::function<void()>& body);
  // Set when the sheet closes (Finish, Cancel, destruction): later requests
  // of workers are not shown.
  static void set_closing(bool closing);

  // Error texts collected during a conversion (at most kMaxErrors; line feeds
  // become spaces). Any thread.
  void add_error(const std::string& text);
  std::vector<std::string> errors() const;

 public slots:
  void reject() override;
  void done(int result) override;

 private:
  void on_page_changed(int id);
  void apply_buttons();
  void fill_watermark_area();
  static QString caption(const char* suffix);
  static QWidget* owner();

  QString title_;
  bool initialized_ = false;
  std::vector<int> order_;
  int jump_target_ = -1;
  int jump_from_ = -1;
  QTimer timer_;
  std::unique_ptr<help_window> help_;
  mutable std::mutex errors_lock_;
  std::vector<std::string> errors_;
};
