// tarvel-verify: proves a conversion complete. Reads the source and the
// destination options as the conversion program does, compares every table
// and prints the report. Exit status 0 when every table is equal, 1 when
// something differs or is missing, 255 (-1) when it could not run.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>

#include "ORA/ora_database.h"
#include "TK/tk_exception.h"
#include "TK/tk_format.h"
#include "TK/tk_text.h"
#include "TK/tk_trace.h"
#include "access/dao_check_sysdb.h"
#include "common/error_handler.h"
#include "common/error_messages.h"
#include "common/table_list.h"
#include "common/tarvel_convertor.h"
#include "verify/verify_options.h"
#include "verify/verify_run.h"

namespace {

[[noreturn]] void stop_with(const std::string& text) {
  tk_trace(3, "%s", text);
  std::fputs(text.c_str(), stderr);
  std::fputs("\n", stderr);
  std::fflush(stderr);
  std::fflush(stdout);
  std::exit(-1);
}

// Fills the converter's settings from the options, as the conversion program
// does: a profile replaces the other options, which are then not checked.
void apply_options(const verify_cli& cli, tarvel_convertor& conv) {
  if (!cli.error.empty()) stop_with(cli.error);
  bool profile_loaded = false;
  if (!cli.profile.empty()) {
    profile_loaded = conv.load_profile_file(cli.profile);
    if (!profile_loaded)
      throw tk_exception(tk_format("Profile '%s' could not be read: it is not a conversion "
                                   "profile.\nPlease verify the correct path/name was given.",
                                   tk_to_utf8(cli.profile)),
                         TK_LEVEL_RUN);
    conv.check_loaded_profile(tk_to_utf8(cli.profile));
  }
  if (!cli.table_file.empty()) {
    if (auto problem = load_table_list(cli.table_file, conv.selected_tables)) stop_with(*problem);
    // A table list names tables only.
    conv.queries.clear();
  }
  if (cli.uppercase) conv.uppercase = true;
  if (profile_loaded) return;
  if (!cli.destination.empty()) conv.set_destination_name(cli.destination);
  if (!cli.source.empty()) conv.set_source_name(cli.source);
  if (conv.destination_name().empty()) stop_with("You should enter Oracle database name");
  if (conv.source_name().empty()) stop_with("You should enter MS Access database name");
  if (cli.host.empty()) stop_with("You should enter network name or IP address of Oracle server");
  if (!cli.workgroup_file.empty() && !dao_check_sysdb(cli.workgroup_file))
    stop_with("Not a valid MS Access workgroup information file");
  conv.access.database_password = cli.access_password;
  conv.access.store_ugl_settings(cli.workgroup_file, cli.workgroup_user, cli.workgroup_password);
  conv.oracle.store_oracle_settings(cli.host, cli.user, cli.password, cli.port);
}

verify_settings settings_of(const tarvel_convertor& conv) {
  verify_settings s = verify_settings_from(conv);
  if (const char* rows = std::getenv("TARVEL_VERIFY_MEMORY_ROWS")) {
    const long long n = std::atoll(rows);
    if (n > 0) s.memory_rows = static_cast<size_t>(n);
  }
  if (isatty(STDERR_FILENO))
    s.progress = [](const std::string& table) {
      std::fprintf(stderr, "Verifying table %s\n", table.c_str());
    };
  return s;
}

void write_report(const verify_cli& cli, const std::string& text) {
  if (cli.report_file.empty()) {
    std::fputs(text.c_str(), stdout);
    std::fflush(stdout);
    return;
  }
  // The report may name data values: a file it creates is its owner's only.
  // A failure says why (a missing folder, a full disk).
  int error = 0;
  const int fd = ::open(cli.report_file.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (fd < 0) error = errno;
  std::FILE* f = fd < 0 ? nullptr : ::fdopen(fd, "wb");
  if (fd >= 0 && f == nullptr) {
    error = errno;
    ::close(fd);
  }
  bool ok = f != nullptr && std::fwrite(text.data(), 1, text.size(), f) == text.size();
  if (f != nullptr && !ok) error = errno;
  if (f != nullptr && std::fclose(f) != 0) {
    if (ok) error = errno;
    ok = false;
  }
  if (!ok)
    stop_with("Cannot write the report file " + cli.report_file +
              (error != 0 ? std::string(": ") + std::strerror(error) : std::string()));
}

}  // namespace

int main(int argc, char** argv) {
  tk_log log("", false, 3, false);
  error_handler handler(kOracleErrorMessageCount, kOracleErrorMessages);
  handler.load_err_map(kDaoErrorMessageCount, kDaoErrorMessages);
  const verify_cli cli = verify_parse_cli(argc, argv);
  if (cli.help) {
    std::fputs(verify_usage_text().c_str(), stdout);
    return 0;
  }
  if (argc == 1 || !cli.unrecognised.empty()) stop_with(verify_usage_text());
  int status = -1;
  try {
    tarvel_convertor conv(tarvel_front_end::agent);
    apply_options(cli, conv);
    try {
      conv.access.check_acc_base(conv.source_name(), conv.access.database_password);
      conv.oracle.connect_oracle_server(conv.destination_name());
    } catch (const tk_exception& e) {
      // Without a readable source or an Oracle session nothing can be
      // verified: every error here ends the program with -1.
      if (e.level() != TK_LEVEL_RECORD) throw;
      throw tk_exception(e.message(), e.code(), TK_LEVEL_RUN);
    }
    auto* oracle = dynamic_cast<ora_database*>(conv.oracle.destination());
    TK_ASSERT(oracle != nullptr);
    std::unique_ptr<udb_source_engine> engine = conv.make_source_engine();
    const verify_result result = verify_run(settings_of(conv), *engine, *oracle);
    engine.reset();
    switch (cli.report_format) {
      case verify_cli::format::text:
        write_report(cli, verify_format_text(result));
        break;
      case verify_cli::format::csv:
        write_report(cli, verify_format_csv(result));
        break;
      case verify_cli::format::json:
        write_report(cli, verify_format_json(result));
        break;
    }
    status = result.exit_status();
  } catch (const tk_exception& e) {
    handler.handle(e, false);
  } catch (const tk_final_exception&) {
  } catch (const std::exception& e) {
    stop_with(e.what());
  }
  return status;
}
