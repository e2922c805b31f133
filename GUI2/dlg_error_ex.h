// The internal-error dialog (resource 114): the message with OK, "Copy to
// clipboard" and "Send bug". Placeholder until the dialog proper lands; its
// interface is the one the presenter uses.
#pragma once

#include <QDialog>

class dlg_error_ex : public QDialog {
  Q_OBJECT
 public:
  enum result : int { RESULT_OK = 1, RESULT_COPY = 1108, RESULT_SEND_BUG = 1112 };

  explicit dlg_error_ex(const QString& message, QWidget* parent = nullptr);
};
