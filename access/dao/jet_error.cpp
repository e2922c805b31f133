// Texts of the DAO errors the reader reports (see jet_error.h).
#include "access/dao/jet_error.h"

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

}  // namespace jet_errors
