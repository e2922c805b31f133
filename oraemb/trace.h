// The engine's trace: with TARVEL_ORAEMB_TRACE=file, every OCI call is
// logged with its status (and error), with the SQL of executed statements
// and the SQLite SQL the engine prepares for them. Without the variable a
// call costs one test of a flag. A trace that cannot be written (opened, or
// written on a full disk) is reported once on standard error.
#pragma once

#include <string>

namespace oraemb {

// True when a trace file is configured (read once per process).
bool tracing();
// Appends one line (a time stamp and the thread are added).
void trace_line(const std::string& text);

}  // namespace oraemb
