// The presenter of the running program: Qt's standard boxes and file dialogs
// and the wizard's two error dialogs.
#include "GUI2/wizard_presenter.h"

#include <QFileDialog>
#include <QLabel>
#include <QMessageBox>
#include <QRegularExpression>
#include <QScreen>
#include <algorithm>

#include "GUI2/dlg_error_continue.h"
#include "GUI2/dlg_error_ex.h"

void wiz_keep_words_whole(QMessageBox& box) {
  auto* label = box.findChild<QLabel*>(QStringLiteral("qt_msgbox_label"));
  if (label == nullptr) return;
  int widest = 0;
  static const QRegularExpression blanks(QStringLiteral("\\s+"));
  for (const QString& word : label->text().split(blanks, Qt::SkipEmptyParts))
    widest = std::max(widest, label->fontMetrics().horizontalAdvance(word));
  const QScreen* screen = box.screen();
  const int limit = screen ? screen->availableGeometry().width() * 3 / 4 : 1200;
  label->setMinimumWidth(std::min(widest + 4, limit));
}

QString wiz_display_text(const QString& text) {
  QString shown = text;
  shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  return shown;
}

void qt_wizard_presenter::show(box kind, QWidget* owner, const QString& caption,
                               const QString& text) {
  QMessageBox message_box(kind == box::error ? QMessageBox::Critical : QMessageBox::Information,
                          caption, wiz_display_text(text), QMessageBox::Ok, owner);
  wiz_keep_words_whole(message_box);
  message_box.exec();
}

bool qt_wizard_presenter::ask(QWidget* owner, const QString& caption, const QString& text,
                              bool default_no) {
  QMessageBox message_box(QMessageBox::Question, caption, wiz_display_text(text),
                          QMessageBox::Yes | QMessageBox::No, owner);
  message_box.setDefaultButton(default_no ? QMessageBox::No : QMessageBox::Yes);
  return message_box.exec() == QMessageBox::Yes;
}

QString qt_wizard_presenter::choose_file(QWidget* owner, file_mode mode, const QString& title,
                                         const QStringList& filters, const QString& default_suffix,
                                         const QString& start_folder) {
  QFileDialog dialog(owner, title, start_folder);
  dialog.setNameFilters(filters);
  if (mode == file_mode::save) {
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDefaultSuffix(default_suffix);
  } else {
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
  }
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
  return dialog.selectedFiles().front();
}

wizard_presenter::continue_answer qt_wizard_presenter::ask_continue(QWidget* owner,
                                                                    const QString& caption,
                                                                    const QString& text) {
  dlg_error_continue dialog(text, owner);
  dialog.setWindowTitle(caption);
  const int result = dialog.exec();
  return {result == dlg_error_continue::RESULT_ABORT, dialog.do_not_show_again()};
}

void qt_wizard_presenter::show_internal_error(QWidget* owner, const QString& caption,
                                              const QString& text) {
  dlg_error_ex dialog(text, owner);
  dialog.setWindowTitle(caption);
  dialog.exec();
}
