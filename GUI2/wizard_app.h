// The start-up of tarvel-wizard: the display check, the error handler and
// converter, the quick launch of a profile, the pages in their order and the
// clipboard and bug-report services of the toolkit.
#pragma once

#include <QString>
#include <memory>

class wizard_shell;

// The sheet title: "Ferrolith 4.1 " (major, minor, an empty third part).
QString wiz_sheet_title();

// True when a window can be opened: a platform that needs no display was
// chosen (QT_QPA_PLATFORM), or DISPLAY or WAYLAND_DISPLAY is set. Otherwise
// writes one line naming both on standard error and answers false.
bool wiz_check_display();

// Installs the toolkit's clipboard (QClipboard) and bug-report (the support
// address through QDesktopServices) handlers, and the conversion start hook
// that starts the shell's progress timer.
void wiz_register_services();

// Adds the pages to the shell: every page for a normal start, only progress
// and finish for a quick launch.
void wiz_add_pages(wizard_shell& shell, bool quick_launch);

// Quick launch preparation: loads the profile, checks the source and connects
// to Oracle on the calling thread. False (after its message) when any step
// fails.
bool wiz_prepare_quick_launch(const QString& profile);

// The whole program after QApplication exists: the handler, the converter,
// the shell and its run. Answers the exit code.
int wiz_run(const QString& profile);
