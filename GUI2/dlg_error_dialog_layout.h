// The layout the two error dialogs share: the system's error icon beside the
// message (ERROR_MESSAGE), a row for extra controls below, then the buttons on
// the right. Used by dlg_error_continue and dlg_error_ex only.
#pragma once

#include <QBoxLayout>
#include <QDialog>
#include <QLabel>

// Builds icon and message into `dialog`; answers the layout that takes the
// rows below them.
QVBoxLayout* error_dialog_frame(QDialog* dialog, const QString& message);
// A right-aligned row of buttons at the bottom of `layout`.
QHBoxLayout* error_dialog_button_row(QVBoxLayout* layout);
