// How the wizard shows message boxes, file dialogs and the two error dialogs.
// The shell holds one presenter for the process; tests install their own to
// record the texts and to answer without a window. Every call arrives on the
// GUI thread (the shell marshals calls made on a worker thread) with the
// caption already chosen and the owner window, or null before the sheet is
// initialized.
#pragma once

#include <QString>
#include <QStringList>

class QMessageBox;
class QWidget;

class wizard_presenter {
 public:
  enum class box { error, message, question };
  enum class file_mode { open_existing, save };
  // What the continue dialog answered: Abort, or Continue with the state of
  // "Do not show this dialog box again".
  struct continue_answer {
    bool abort = false;
    bool do_not_show_again = false;
  };

  virtual ~wizard_presenter() = default;

  // An error or information box; the texts keep their "\r\n" line ends.
  virtual void show(box kind, QWidget* owner, const QString& caption, const QString& text) = 0;
  // A Yes/No question; true exactly when the answer is Yes.
  virtual bool ask(QWidget* owner, const QString& caption, const QString& text,
                   bool default_no) = 0;
  // A file dialog; `filters` as QFileDialog takes them ("Name (*.ext)"), the
  // default suffix without its dot, the folder it opens in (empty: the
  // dialog's own choice). Answers the chosen path or empty.
  virtual QString choose_file(QWidget* owner, file_mode mode, const QString& title,
                              const QStringList& filters, const QString& default_suffix,
                              const QString& start_folder) = 0;
  // The continue dialog (resource 115) for an error in the data.
  virtual continue_answer ask_continue(QWidget* owner, const QString& caption,
                                       const QString& text) = 0;
  // The internal-error dialog (resource 114).
  virtual void show_internal_error(QWidget* owner, const QString& caption, const QString& text) = 0;
};

// The presenter of the running program: QMessageBox, QFileDialog and the
// dialogs dlg_error_continue and dlg_error_ex.
class qt_wizard_presenter : public wizard_presenter {
 public:
  void show(box kind, QWidget* owner, const QString& caption, const QString& text) override;
  bool ask(QWidget* owner, const QString& caption, const QString& text, bool default_no) override;
  QString choose_file(QWidget* owner, file_mode mode, const QString& title,
                      const QStringList& filters, const QString& default_suffix,
                      const QString& start_folder) override;
  continue_answer ask_continue(QWidget* owner, const QString& caption,
                               const QString& text) override;
  void show_internal_error(QWidget* owner, const QString& caption, const QString& text) override;
};

// Text with "\r\n" line ends as a Qt label shows it.
QString wiz_display_text(const QString& text);
// Widens a message box's text so that no word (a path, a long name) is
// broken inside, up to three quarters of the screen.
void wiz_keep_words_whole(QMessageBox& box);
