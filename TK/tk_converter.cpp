// The converter base: construction trace and the trace-file setting.
#include "TK/tk_converter.h"

#include <sys/stat.h>

#include "TK/tk_exception.h"
#include "TK/tk_paths.h"
#include "TK/tk_trace.h"

tk_converter::tk_converter() {
  tk_trace(2, "tk_converter::ctor");
}

tk_converter::~tk_converter() = default;

void tk_converter::set_logfile(const std::string& name) {
  tk_trace(1, "tk_convertor::set_logfile(%s)", name);
  if (!name.empty()) {
    // A folder would take no trace, and nothing would say so.
    struct stat st {};
    if (::stat(name.c_str(), &st) == 0 && S_ISDIR(st.st_mode))
      throw tk_exception("Logfile path '" + name +
                             "' names a folder, not a file.\nPlease verify the correct path was "
                             "given.",
                         TK_LEVEL_RUN);
    if (tk_is_file_exist(name) && !tk_is_file_exist(name, 1))
      throw tk_exception("Logfile name specifies an existing read-only file.", TK_LEVEL_RUN);
    if (!tk_is_path_exist(name))
      throw tk_exception("Logfile path does not exist.\nPlease verify the correct path was given.",
                         TK_LEVEL_RUN);
  }
  if (!name.empty() && tk_log::exists()) {
    tk_log& log = tk_log::instance();
    log.set_file_name(name);
    log.enable(true);
  }
}
