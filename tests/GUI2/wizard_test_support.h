// Helpers of the wizard's tests: a presenter that records every box and
// answers from a script, and an environment that builds the process-wide
// objects of a wizard run (trace, error handler, converter, shell with its
// pages) in a private settings folder and embedded-engine folder.
#pragma once

#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <deque>
#include <memory>
#include <optional>
#include <vector>

#include "GUI2/wizard_presenter.h"

class QLineEdit;
class error_handler;
class tarvel_convertor;
class tk_log;
class wizard_page;
class wizard_shell;

struct shown_box {
  wizard_presenter::box kind;
  QString caption;
  QString text;
};

// Records what the wizard shows. Questions answer from `answers` (Yes when
// it is empty), file dialogs from `files` (cancel when empty), the continue
// dialog "Continue", the internal-error dialog OK.
class recording_presenter : public wizard_presenter {
 public:
  void show(box kind, QWidget* owner, const QString& caption, const QString& text) override;
  bool ask(QWidget* owner, const QString& caption, const QString& text, bool default_no) override;
  QString choose_file(QWidget* owner, file_mode mode, const QString& title,
                      const QStringList& filters, const QString& default_suffix,
                      const QString& start_folder) override;
  continue_answer ask_continue(QWidget* owner, const QString& caption,
                               const QString& text) override;
  void show_internal_error(QWidget* owner, const QString& caption, const QString& text) override;

  std::vector<shown_box> boxes;
  std::deque<bool> answers;
  std::deque<QString> files;
  QStringList file_titles;
  QStringList file_folders;  // the folder each file dialog opened in
  QStringList continue_texts;
  QStringList internal_errors;
};

// The objects of one wizard run. The constructor installs a fresh recording
// presenter (reachable as `presenter`).
class wizard_env {
 public:
  // quick: only the progress and finish pages. with_shell false: the
  // converter and handler only.
  explicit wizard_env(bool with_shell = true, bool quick = false);
  ~wizard_env();

  tarvel_convertor& converter();
  wizard_shell& shell() { return *shell_; }
  wizard_page* page() const;
  QLineEdit* edit(int control_id) const;
  // Presses Next (Finish on the last page) and answers whether the page
  // changed.
  bool next();
  void back();
  // Fills the Oracle page with the embedded engine's settings.
  void fill_oracle(const QString& user = QStringLiteral("wiz"),
                   const QString& password = QStringLiteral("wiz"),
                   const QString& service = QStringLiteral("WIZ"));
  QString last_text() const;

  recording_presenter* presenter = nullptr;

 private:
  std::unique_ptr<tk_log> log_;
  std::unique_ptr<error_handler> handler_;
  std::unique_ptr<tarvel_convertor> converter_;
  std::unique_ptr<wizard_shell> shell_;
};

// Sets up the process for the wizard's tests once: a private
// XDG_CONFIG_HOME, the embedded engine (its library by path) in a private
// folder, the help file of the source tree. Call from initTestCase.
void wizard_test_environment();
QString wizard_config_home();
QString wizard_engine_dir();
QString fixture(const QString& relative);
// The top-level widgets that still exist once the deferred deletions have
// run, as "class objectName" each (hidden ones included): a wizard that is
// gone leaves none.
QStringList leftover_windows();
// Runs SQL through oraemb-sql against a service as wiz/wiz; answers its
// standard output (CSV), or "<failed>" after a warning.
QString engine_sql(const QString& sql, const QString& service = QStringLiteral("WIZ"));
