// Ctrl-C, SIGTERM and SIGHUP in the console agent. The first signal asks the
// converter to stop: the run finishes or rolls back the record or batch it is
// writing, closes the table, logs off and removes its temporary files, and the
// agent then says where it stopped and ends with status 255. A second signal
// ends the process at once (a run stuck in a server call), after unlinking
// the temporary files registered with tk_exit_file_register.
#pragma once

#include <string>

#include "TK/tk_converter.h"
#include "UDB/udb_converter.h"

// Installs the handlers; the first signal calls converter.request_stop().
void agent_install_signal_handlers(tk_converter& converter);

// How many of those signals arrived.
int agent_signals_received();

// The line for an interrupted run: "Interrupted: table 'Bench' stopped after
// 31,948 records; 4 tables done." when a table was being copied,
// "Interrupted: 4 tables done." when the stop came between tables, and
// "Interrupted before the conversion started." when the run had not begun.
std::string agent_interruption_text(const udb_converter& converter, bool run_started);
