// Message tables of the error handler. The first table loaded wins when both
// know a code.
#include "common/error_messages.h"

const error_message_entry kOracleErrorMessages[] = {
    {0x100000 + 1,
     "Duplicate field values being used for an unique index were found.\nSee 'Troubleshooting' "
     "article of the product documentation\nfor solution."},
    {0x100000 + 1017, "Invalid user name or password."},
    {0x100000 + 1658,
     "Not enough free contiguous space in the tablespace to create the object.\nUse ALTER "
     "TABLESPACE ADD DATAFILE to add additional space to the tablespace."},
    {0x100000 + 1950, "User does not have the necessary privileges to create tables."},
    {0x100000 + 2298,
     "There are orphaned records that prevent from creating foreign key. For more\ninformation "
     "see Troubleshooting article of the product documentation."},
    {0x100000 + 12154,
     "Oracle data source does not exist. Check to verify the correct name was given."},
    {0x100000 + 12500,
     "ORA-12500: the listener could not start a server process. For more information\nsee "
     "Troubleshooting article of the product documentation."},
    {0x100000 + 12505,
     "ORA-12505: the program could not resolve service name. For more information\nsee "
     "Troubleshooting article of the product documentation."},
    {0x100000 + 12514,
     "Cannot resolve Oracle service name. Check to verify the correct name was given.\n"},
    {0x100000 + 12541,
     "ORA-12541: no listener. For more information see Troubleshooting\narticle of the product "
     "documentation."},
    {0x100000 + 12545,
     "ORA-12545: connect failed because target host or object does not exist.\nFor more "
     "information see Troubleshooting article of the product documentation."},
    {0x100000 + 28000,
     "Wrong password was entered the maximum number of times or\nthe DBA has locked the account."},
};
const size_t kOracleErrorMessageCount =
    sizeof kOracleErrorMessages / sizeof kOracleErrorMessages[0];

const error_message_entry kDaoErrorMessages[] = {
    {0x10BEF,
     "Not a valid MS Access database name. Use the following characters\nto compose new database "
     "name: alphanumerics (A-Z, a-z, 0-9),\nunderscore characters (_) and spaces."},
    {0x10BCE,
     "Duplicate field values being used for an unique index were found.\nSee 'Troubleshooting' "
     "article of the product documentation\nfor solution."},
    {0x10BD5,
     "Not a valid account name or password has been specified\nin MS Access user-level security "
     "settings"},
    {0x10C28,
     "Cannot extract relationships information. See 'Troubleshooting'\narticle of the product "
     "documentation for solution."},
    {0x10C65,
     "Invalid workgroup information file. Return to the previous\nwizard page and verify the "
     "correct path was given."},
    {0x10D1E,
     "Invalid workgroup information file. Return to the previous\nwizard page and verify the "
     "correct path was given."},
    {0x10D5D,
     "Data type conversion error. Please contact your system administrator with the table, the "
     "record\nand the trace file (--logfile=)\nfor the solution."},
};
const size_t kDaoErrorMessageCount = sizeof kDaoErrorMessages / sizeof kDaoErrorMessages[0];
