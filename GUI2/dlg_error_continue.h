// The continue dialog (resource 115): shows an error in the data of a run and
// asks whether the run goes on. "Continue" (the default, also Escape) ends
// with 2, "Abort" with 1; "&Do not show this dialog box again" is read back
// with do_not_show_again(). The caller sets the caption.
#pragma once

#include <QDialog>

class dlg_error_continue : public QDialog {
  Q_OBJECT
 public:
  enum result : int { RESULT_ABORT = 1, RESULT_CONTINUE = 2 };

  explicit dlg_error_continue(const QString& message, QWidget* parent = nullptr);
  bool do_not_show_again() const { return do_not_show_again_; }

  // Escape answers Continue, as the dialog's cancel button does.
  void reject() override;

 private:
  bool do_not_show_again_ = false;
};
