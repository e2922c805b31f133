// The internal-error dialog (resource 114): the message with "Send bug" (the
// default), "OK" and "Copy to clipboard". Send bug hands a report to the
// toolkit's bug-report seam (tk_send_bug) and ends with 1112; Copy puts the
// message on the clipboard through the toolkit's seam and ends with 1108;
// OK ends with 1. The caller sets the caption.
#pragma once

#include <QDialog>

class dlg_error_ex : public QDialog {
  Q_OBJECT
 public:
  enum result : int { RESULT_OK = 1, RESULT_COPY = 1108, RESULT_SEND_BUG = 1112 };

  explicit dlg_error_ex(const QString& message, QWidget* parent = nullptr);

  const QString& message() const { return message_; }

 private:
  void on_send_bug();
  void on_copy();

  QString message_;
};
