// Texts of the DAO errors the reader reports (see jet_error.h).
#include "access/dao/jet_error.h"

#include <algorithm>
#include <cctype>

namespace {

bool is_password_key(const std::string& key) {
  size_t first = key.find_first_not_of(" \t");
  size_t last = key.find_last_not_of(" \t");
  if (first == std::string::npos) return false;
  std::string k = key.substr(first, last - first + 1);
  for (char& c : k) c = char(std::tolower(static_cast<unsigned char>(c)));
  return k == "pwd" || k == "password" || k == "passwd";
}

}  // namespace

std::string jet_mask_connect_passwords(const std::string& connect) {
  const size_t n = connect.size();
  std::string out;
  for (size_t pos = 0;;) {
    size_t equals = pos;
    while (equals < n && connect[equals] != ';' && connect[equals] != '=') ++equals;
    size_t end = equals;
    if (equals < n && connect[equals] == '=') {
      size_t v = equals + 1;
      while (v < n && (connect[v] == ' ' || connect[v] == '\t')) ++v;
      if (v < n && connect[v] == '{') {
        // A braced value may hold ';'; "}}" is a brace inside it.
        for (++v; v < n; ++v) {
          if (connect[v] != '}') continue;
          if (v + 1 < n && connect[v + 1] == '}') {
            ++v;
            continue;
          }
          break;
        }
      }
      end = std::min(connect.find(';', v), n);
      out.append(connect, pos, equals + 1 - pos);
      if (is_password_key(connect.substr(pos, equals - pos)))
        out += "***";
      else
        out.append(connect, equals + 1, end - equals - 1);
    } else {
      out.append(connect, pos, end - pos);
    }
    if (end >= n) break;
    out += ';';
    pos = end + 1;
  }
  return out;
}

namespace jet_errors {

jet_failure file_not_found(const std::string& path) {
  return {JET_ERR_FILE_NOT_FOUND, "Could not find file '" + path + "'."};
}

jet_failure invalid_path(const std::string& path) {
  return {JET_ERR_INVALID_PATH, "'" + path +
                                    "' is not a valid path. Make sure that the path name is "
                                    "spelled correctly and that you are connected to the server "
                                    "on which the file resides."};
}

jet_failure cannot_open(const std::string& path) {
  return {JET_ERR_CANNOT_OPEN,
          "The database engine cannot open or write to the file '" + path +
              "'. It is already opened exclusively by another user, or you need permission "
              "to view and write its data."};
}

jet_failure bad_format(const std::string& path) {
  return {JET_ERR_BAD_FORMAT, "Unrecognized database format '" + path + "'."};
}

jet_failure corrupt(const std::string& path, const std::string& detail) {
  return {JET_ERR_CORRUPT, "Cannot open database '" + path +
                               "'. It may not be a database that your application recognizes, "
                               "or the file may be corrupt. (" +
                               detail + ")"};
}

jet_failure bad_password() {
  return {JET_ERR_BAD_PASSWORD, "Not a valid password."};
}

jet_failure bad_account() {
  return {JET_ERR_BAD_ACCOUNT, "Not a valid account name or password."};
}

jet_failure workgroup_missing(const std::string& path) {
  return {JET_ERR_WORKGROUP_MISSING,
          "Cannot start your application. The workgroup information file '" + path +
              "' is missing or opened exclusively by another user."};
}

jet_failure input_not_found(const std::string& name) {
  return {JET_ERR_INPUT_NOT_FOUND, "The database engine cannot find the input table or query '" +
                                       name +
                                       "'. Make sure it exists and that its name is spelled "
                                       "correctly."};
}

jet_failure no_read_permission(const std::string& name) {
  return {JET_ERR_NO_READ_PERMISSION,
          "Record(s) cannot be read; no read permission on '" + name + "'."};
}

jet_failure item_not_found() {
  return {JET_ERR_ITEM_NOT_FOUND, "Item not found in this collection."};
}

jet_failure no_current_record() {
  return {JET_ERR_NO_CURRENT_RECORD, "No current record."};
}

jet_failure object_closed() {
  return {JET_ERR_OBJECT_CLOSED, "Object invalid or no longer set."};
}

jet_failure invalid_argument() {
  return {JET_ERR_INVALID_ARGUMENT, "Invalid argument."};
}

jet_failure not_supported(const std::string& detail) {
  return {JET_ERR_NOT_SUPPORTED,
          "Operation is not supported for this type of object. (" + detail + ")"};
}

jet_failure read_only() {
  return {JET_ERR_READ_ONLY, "Cannot update. Database or object is read-only."};
}

jet_failure odbc_failed(const std::string& connect) {
  return {JET_ERR_ODBC_FAILED,
          "ODBC--connection to '" + jet_mask_connect_passwords(connect) + "' failed."};
}

}  // namespace jet_errors
