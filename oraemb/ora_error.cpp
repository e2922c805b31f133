// The message catalogue: Oracle's classic (11g to 19c) wording for every
// error the engine raises. Unknown numbers give a generic text so that a
// missing entry never hides the number itself.
#include "oraemb/ora_error.h"

#include <cstdio>
#include <unordered_map>
#include <vector>

namespace oraemb {
namespace {

const std::unordered_map<int, const char*>& catalogue() {
  static const std::unordered_map<int, const char*> texts = {
      {1, "unique constraint (%s) violated"},
      {54, "resource busy and acquire with NOWAIT specified or timeout expired"},
      {600, "internal error code, arguments: [%s]"},
      {900, "invalid SQL statement"},
      {901, "invalid CREATE command"},
      {902, "invalid datatype"},
      {903, "invalid table name"},
      {904, "%s: invalid identifier"},
      {905, "missing keyword"},
      {906, "missing left parenthesis"},
      {907, "missing right parenthesis"},
      {908, "missing NULL keyword"},
      {910, "specified length too long for its datatype"},
      {911, "invalid character"},
      {913, "too many values"},
      {917, "missing comma"},
      {918, "column ambiguously defined"},
      {920, "invalid relational operator"},
      {921, "unexpected end of SQL command"},
      {922, "missing or invalid option"},
      {923, "FROM keyword not found where expected"},
      {925, "missing INTO keyword"},
      {926, "missing VALUES keyword"},
      {927, "missing equal sign"},
      {928, "missing SELECT keyword"},
      {930, "missing asterisk"},
      {931, "missing identifier"},
      {932, "inconsistent datatypes: expected %s got %s"},
      {933, "SQL command not properly ended"},
      {934, "group function is not allowed here"},
      {936, "missing expression"},
      {937, "not a single-group group function"},
      {940, "invalid ALTER command"},
      {942, "table or view does not exist"},
      {947, "not enough values"},
      {950, "invalid DROP option"},
      {953, "missing or invalid index name"},
      {955, "name is already used by an existing object"},
      {957, "duplicate column name"},
      {971, "missing SET keyword"},
      {972, "identifier is too long"},
      {979, "not a GROUP BY expression"},
      {984, "column not allowed here"},
      {1002, "fetch out of sequence"},
      {1005, "null password given; logon denied"},
      {1008, "not all variables bound"},
      {1017, "invalid username/password; logon denied"},
      {1031, "insufficient privileges"},
      {1400, "cannot insert NULL into (%s)"},
      {1403, "no data found"},
      {1405, "fetched column value is NULL"},
      {1406, "fetched column value was truncated"},
      {1407, "cannot update (%s) to NULL"},
      {1408, "such column list already indexed"},
      {1410, "invalid ROWID"},
      {1418, "specified index does not exist"},
      {1422, "exact fetch returns more than requested number of rows"},
      {1426, "numeric overflow"},
      {1427, "single-row subquery returns more than one row"},
      {1430, "column being added already exists in table"},
      {1438, "value larger than specified precision allowed for this column"},
      {1439, "column to be modified must be empty to change datatype"},
      {1440, "column to be modified must be empty to decrease precision or scale"},
      {1441, "cannot decrease column length because some value is too big"},
      {1442, "column to be modified to NOT NULL is already NOT NULL"},
      {1449, "column contains NULL values; cannot alter to NOT NULL"},
      {1451, "column to be modified to NULL cannot be modified to NULL"},
      {1455, "converting column overflows integer datatype"},
      {1460, "unimplemented or unreasonable conversion requested"},
      {1480, "trailing null missing from STR bind value"},
      {1465, "invalid hex number"},
      {1476, "divisor is equal to zero"},
      {1704, "string literal too long"},
      {1722, "invalid number"},
      {1741, "illegal zero-length identifier"},
      {1756, "quoted string not properly terminated"},
      {1821, "date format not recognized"},
      {1830, "date format picture ends before converting entire input string"},
      {1839, "date not valid for month specified"},
      {1840, "input value not long enough for date format"},
      {1841, "(full) year must be between -4713 and +9999, and not be 0"},
      {1843, "not a valid month"},
      {1847, "day of month must be between 1 and last day of month"},
      {1849, "hour must be between 1 and 12"},
      {1850, "hour must be between 0 and 23"},
      {1851, "minutes must be between 0 and 59"},
      {1852, "seconds must be between 0 and 59"},
      {1858, "a non-numeric character was found where a numeric was expected"},
      {1861, "literal does not match format string"},
      {1880, "the fractional seconds must be between 0 and 999999999"},
      {30088, "datetime/interval precision is out of range"},
      {2260, "table can have only one primary key"},
      {2261, "such unique or primary key already exists in the table"},
      {2264, "name already used by an existing constraint"},
      {2256, "number of referencing columns must match referenced columns"},
      {2267, "column type incompatible with referenced column type"},
      {2268, "referenced table does not have a primary key"},
      {2270, "no matching unique or primary key for this column-list"},
      {2273, "this unique/primary key is referenced by some foreign keys"},
      {2275, "such a referential constraint already exists in the table"},
      {2283, "cannot alter starting sequence number"},
      {2286, "no options specified for ALTER SEQUENCE"},
      {2291, "integrity constraint (%s) violated - parent key not found"},
      {2292, "integrity constraint (%s) violated - child record found"},
      {2298, "cannot validate (%s) - parent keys not found"},
      {2289, "sequence does not exist"},
      {2299, "cannot validate (%s) - duplicate keys found"},
      {2437, "cannot validate (%s) - primary key violated"},
      {976, "Specified pseudocolumn or operator not allowed here."},
      {2251, "subquery not allowed here"},
      {2287, "sequence number not allowed here"},
      {2290, "check constraint (%s) violated"},
      {2293, "cannot validate (%s) - check constraint violated"},
      {2430, "cannot enable constraint (%s) - no such constraint"},
      {2431, "cannot disable constraint (%s) - no such constraint"},
      {2436, "date or system variable wrongly specified in CHECK constraint"},
      {2438, "Column check constraint cannot reference other columns"},
      {3001, "unimplemented feature"},
      {3114, "not connected to ORACLE"},
      {2449, "unique/primary keys in table referenced by foreign keys"},
      {2443, "Cannot drop constraint  - nonexistent constraint"},
      {1792, "maximum number of columns in a table or view is 1000"},
      {4006, "START WITH cannot be less than MINVALUE"},
      {4007, "MINVALUE cannot be made to exceed the current value"},
      {4009, "MAXVALUE cannot be made to be less than the current value"},
      {4008, "START WITH cannot be more than MAXVALUE"},
      {4003, "sequence parameter %s exceeds maximum size allowed (%s digits)"},
      {4077, "WHEN clause cannot be used with table level triggers"},
      {4030, "out of process memory when trying to allocate %s bytes"},
      {4076, "invalid NEW or OLD specification"},
      {4080, "trigger '%s' does not exist"},
      {4081, "trigger '%s' already exists"},
      {4095, "trigger '%s' already exists on another table, cannot replace it"},
      {4098, "trigger '%s' is invalid and failed re-validation"},
      {8002, "sequence %s.CURRVAL is not yet defined in this session"},
      {8004, "sequence %s.NEXTVAL exceeds MAXVALUE and cannot be instantiated"},
      {8103, "object no longer exists"},
      {12154, "TNS:could not resolve the connect identifier specified"},
      {12514, "TNS:listener does not currently know of service requested in connect descriptor"},
      {12899, "value too large for column %s (actual: %s, maximum: %s)"},
      {22275, "invalid LOB locator specified"},
      {22920, "row containing the LOB value is not locked"},
      {22990, "LOB locators cannot span transactions"},
      {24315, "illegal attribute type"},
      {24333, "zero iteration count"},
      {24334, "no descriptor for this position"},
      {24337, "statement handle not prepared"},
      {24338, "statement handle not executed"},
      {24344, "success with compilation error"},
      {24373, "invalid length specified for statement"},
      {24381, "error(s) in array DML"},
      {24816, "Expanded non LONG bind data supplied after actual LONG or LOB column"},
      {28714,
       "OCI_BATCH_ERRORS or OCI_RETURN_ROW_COUNT_ARRAY mode can only be specified for INSERT, "
       "UPDATE, DELETE or MERGE statement."},
      {24801, "illegal parameter value in OCI lob function"},
      {24806, "LOB form mismatch"},
      {30186, "'\\' must be followed by four hexdecimal characters or another '\\'"},
      {28002, "the password will expire within %s days"},
      {12705, "Cannot access NLS data files or invalid environment specified"},
      {28000, "the account is locked"},
      {959, "tablespace '%s' does not exist"},
      {1917, "user or role '%s' does not exist"},
      {1935, "missing user or role name"},
      {988, "missing or invalid password(s)"},
      {990, "missing or invalid privilege"},
      {1034, "ORACLE not available"},
      {1157, "cannot identify/lock data file - see TARVEL_ORAEMB_DIR '%s' (%s)"},
      {1045, "user %s lacks CREATE SESSION privilege; logon denied"},
      {1401, "inserted value too large for column"},
      {1653, "unable to extend table %s.%s by %s in tablespace %s"},
      {1654, "unable to extend index %s.%s by %s in tablespace %s"},
      {1918, "user '%s' does not exist"},
      {1920, "user name '%s' conflicts with another user or role name"},
      {1922, "CASCADE must be specified to drop '%s'"},
      {1950, "no privileges on tablespace '%s'"},
      {12541, "TNS:no listener"},
      {12545, "Connect failed because target host or object does not exist"},
      {30006, "resource busy; acquire with WAIT timeout expired"},
  };
  return texts;
}

thread_local int t_message_version = 190;

}  // namespace

MessageVersionScope::MessageVersionScope(int version) : saved_(t_message_version) {
  t_message_version = version;
}
MessageVersionScope::~MessageVersionScope() {
  t_message_version = saved_;
}

std::string ora_message(int code, std::initializer_list<std::string> args) {
  // Releases before 11g had no DDL lock timeout, and so no "or timeout expired".
  if (code == 54 && t_message_version < 110)
    return "resource busy and acquire with NOWAIT specified";
  auto found = catalogue().find(code);
  std::string format = found != catalogue().end() ? found->second : "message %s not found";
  std::vector<std::string> values(args);
  if (found == catalogue().end()) values = {std::to_string(code)};
  std::string out;
  auto arg = values.begin();
  for (size_t pos = 0; pos < format.size(); ++pos) {
    if (format[pos] == '%' && pos + 1 < format.size() && format[pos + 1] == 's') {
      if (arg != values.end()) out += *arg++;
      ++pos;
    } else {
      out += format[pos];
    }
  }
  return out;
}

void raise(int code, std::initializer_list<std::string> args) {
  // Before 10g a value too long for its column had a number without details.
  if (code == 12899 && t_message_version < 100) throw ora_error(1401, ora_message(1401));
  throw ora_error(code, ora_message(code, args));
}

void raise_unimplemented(const std::string& construct) {
  throw ora_error(3001, ora_message(3001) + ": " + construct);
}

std::string dq(const std::string& name) {
  return "\"" + name + "\"";
}

}  // namespace oraemb
