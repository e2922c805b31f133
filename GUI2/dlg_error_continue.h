// The continue dialog (resource 115): shows an error in the data and asks
// whether the run goes on. Placeholder until the dialog proper lands; its
// interface is the one the presenter uses.
#pragma once

#include <QDialog>

class QCheckBox;

class dlg_error_continue : public QDialog {
  Q_OBJECT
 public:
  enum result : int { RESULT_ABORT = 1, RESULT_CONTINUE = 2 };

  explicit dlg_error_continue(const QString& message, QWidget* parent = nullptr);
  bool do_not_show_again() const { return do_not_show_again_; }

 private:
  bool do_not_show_again_ = false;
};
