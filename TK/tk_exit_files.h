// Files that must not outlive the process even when a signal ends it at once:
// their absolute names are registered here while the files exist, and
// tk_exit_files_unlink_all removes them with nothing but unlink(2), so a
// signal handler may call it. A fixed table of names: registering allocates
// nothing the handler could see half-built.
#pragma once

#include <string>

// Registers `path` (made absolute against the current directory); false when
// the table is full or the name too long (the file is then only removed the
// normal way). Not for use in a signal handler.
bool tk_exit_file_register(const std::string& path);
// Forgets `path` (as given to tk_exit_file_register); nothing when unknown.
void tk_exit_file_unregister(const std::string& path);

// Unlinks every registered file. Async-signal-safe.
void tk_exit_files_unlink_all() noexcept;
