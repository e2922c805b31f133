// The DAO error numbers and texts the reader reports, and the one exception
// that carries them inside the DAO component. jet_failure never leaves the
// component: every public DAO method catches it and answers an HRESULT with
// the error recorded in DBEngine.Errors. Texts are the engine's own wording.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

enum jet_error_number : int32_t {
  JET_ERR_INVALID_ARGUMENT = 3001,    // "Invalid argument."
  JET_ERR_NO_CURRENT_RECORD = 3021,   // "No current record."
  JET_ERR_FILE_NOT_FOUND = 3024,      // "Could not find file '%s'."
  JET_ERR_READ_ONLY = 3027,           // "Cannot update. Database or object is read-only."
  JET_ERR_WORKGROUP_MISSING = 3028,   // workgroup file missing or locked
  JET_ERR_BAD_ACCOUNT = 3029,         // "Not a valid account name or password."
  JET_ERR_BAD_PASSWORD = 3031,        // "Not a valid password."
  JET_ERR_INVALID_PATH = 3044,        // "'%s' is not a valid path. ..."
  JET_ERR_CORRUPT = 3049,             // "Cannot open database '%s'. ... may be corrupt."
  JET_ERR_CANNOT_OPEN = 3051,         // "... cannot open the file '%s'. ..."
  JET_ERR_INPUT_NOT_FOUND = 3078,     // "... cannot find the input table or query '%s'. ..."
  JET_ERR_NO_READ_PERMISSION = 3112,  // "Record(s) cannot be read; no read permission on '%s'."
  JET_ERR_INVALID_SQL = 3129,         // "Invalid SQL statement; expected 'DELETE', ..."
  JET_ERR_ODBC_FAILED = 3151,         // "ODBC--connection to '%s' failed."
  JET_ERR_INVALID_OPERATION = 3219,   // "Invalid operation."
  JET_ERR_WORKGROUP_INVALID = 3358,   // workgroup file cannot be opened
  JET_ERR_NOT_SUPPORTED = 3251,       // "Operation is not supported for this type of object."
  JET_ERR_ITEM_NOT_FOUND = 3265,      // "Item not found in this collection."
  JET_ERR_BAD_FORMAT = 3343,          // "Unrecognized database format '%s'."
  JET_ERR_OBJECT_CLOSED = 3420,       // "Object invalid or no longer set."
};

// A failure inside the DAO component: the DAO error number and its text.
class jet_failure : public std::runtime_error {
 public:
  jet_failure(int32_t number, const std::string& description)
      : std::runtime_error(description), number_(number) {}
  int32_t number() const { return number_; }

 private:
  int32_t number_;
};

// The engine's texts, with the object name filled in where the text has one.
namespace jet_errors {
jet_failure file_not_found(const std::string& path);
jet_failure invalid_path(const std::string& path);
jet_failure cannot_open(const std::string& path);
jet_failure bad_format(const std::string& path);
jet_failure corrupt(const std::string& path, const std::string& detail);
jet_failure bad_password();
jet_failure bad_account();
jet_failure workgroup_missing(const std::string& path);
jet_failure input_not_found(const std::string& name);
jet_failure no_read_permission(const std::string& name);
jet_failure item_not_found();
jet_failure no_current_record();
jet_failure object_closed();
jet_failure invalid_argument();
jet_failure not_supported(const std::string& detail);
jet_failure read_only();
// 3151 for an ODBC-linked table; the password in the connect text is masked.
jet_failure odbc_failed(const std::string& connect);
}  // namespace jet_errors

// A connect text ("DSN=x;UID=u;PWD=secret") with the value of every password
// key (PWD, PASSWORD, PASSWD, any case, blanks around the key allowed) as
// "***". A value in braces ("PWD={a;b}") is masked as a whole.
std::string jet_mask_connect_passwords(const std::string& connect);
