// Numbers the wizard shares between its pages, its shell and its tests: the
// page ids (the dialog resource numbers of the pages, so a jump to "the page
// with resource 116" is a jump to id 116), the control ids (each control's
// objectName is its number), the sheet's button ids and the help contexts.
#pragma once

namespace wiz {

// Pages, in the order of a normal start.
enum page_id : int {
  PAGE_WELCOME = 103,
  PAGE_ORACLE = 132,
  PAGE_SECURITY = 105,
  PAGE_SOURCE = 106,
  PAGE_TABLES = 127,
  PAGE_PROGRESS = 107,
  PAGE_FINISH = 116,
};

// Dialogs that are not pages.
enum dialog_id : int {
  DLG_CONNECTING = 101,
  DLG_ERROR_EX = 114,
  DLG_ERROR_CONTINUE = 115,
  DLG_SET_QUERY = 128,
};

// Buttons of the sheet, as enable_button() takes them.
enum sheet_button : int {
  BTN_OK = 1,
  BTN_CANCEL = 2,
  BTN_HELP = 9,
  BTN_BACK = 0x3023,
  BTN_NEXT = 0x3024,
  BTN_FINISH = 0x3025,
};

// Controls, by the page or dialog that holds them. The numbers are each
// page's own: one number may stand for different controls on different pages
// (1003 is the server on the Oracle page and the path on the source page).
enum welcome_control : int {
  WELCOME_TITLE = 1337,
  WELCOME_LOAD_SETTINGS = 1115,
};

enum oracle_control : int {
  ORACLE_SERVER = 1003,
  ORACLE_PORT = 1004,
  ORACLE_USER = 1012,
  ORACLE_PASSWORD = 1013,
  ORACLE_DATABASE = 1014,
};

enum security_control : int {
  SECURITY_PATH = 1003,
  SECURITY_USER = 1004,
  SECURITY_PASSWORD = 1005,
  SECURITY_BROWSE = 1107,
  SECURITY_USE = 1202,
};

// The mode radio buttons are SOURCE_MODE_BASE + the conversion mode
// (1 overwrite .. 4 synchronize).
enum source_control : int {
  SOURCE_USE_PASSWORD = 1001,
  SOURCE_PATH = 1003,
  SOURCE_PASSWORD = 1005,
  SOURCE_BROWSE = 1107,
  SOURCE_UPPERCASE = 1202,
  SOURCE_SKIP_INDEXES = 1226,
  SOURCE_DEFINITIONS_ONLY = 1228,
  SOURCE_VIEWS = 1229,
  SOURCE_JOBS = 1233,  // tables converted at the same time
  SOURCE_MODE_BASE = 1328,
  SOURCE_OVERWRITE = 1329,
  SOURCE_SKIP = 1330,
  SOURCE_MERGE = 1331,
  SOURCE_SYNCHRONIZE = 1332,
};

enum tables_control : int {
  TABLES_ADD = 1101,
  TABLES_ADD_ALL = 1102,
  TABLES_REMOVE_ALL = 1110,
  TABLES_REMOVE = 1111,
  TABLES_ADD_QUERY = 1114,
  TABLES_SELECTED_LABEL = 1312,
  TABLES_AVAILABLE = 1317,
  TABLES_SELECTED = 1318,
  TABLES_AVAILABLE_LABEL = 1334,
  TABLES_TITLE = 1337,
};

enum progress_control : int {
  PROGRESS_BAR = 1321,
  PROGRESS_STATUS = 1323,
};

enum finish_control : int {
  FINISH_ERRORS = 1016,
  FINISH_SAVE_SETTINGS = 1116,
  FINISH_TITLE = 1313,
  FINISH_RESULT = 1314,
};

// Controls of the dialogs: the "Add Query" dialog (its buttons OK, Cancel
// and Help are BTN_OK, BTN_CANCEL and BTN_HELP), the connecting dialog and
// the two error dialogs.
enum dialog_control : int {
  QUERY_NAME = 1019,
  QUERY_TEXT = 1020,
  QUERY_SAVED_QUERIES = 1021,
  QUERY_TEST = 129,
  CONNECTING_ICON = 1301,
  ERROR_MESSAGE = 1320,
  ERROR_DO_NOT_SHOW_AGAIN = 1222,
};

// Help contexts of the pages (0 opens the default topic).
enum help_context : int {
  HELP_DEFAULT = 0,
  HELP_ORACLE = 1001,
  HELP_SOURCE = 1002,
  HELP_WELCOME = 1003,
  HELP_SECURITY = 1004,
  HELP_TABLES = 1005,
  HELP_QUERY = 1025,
};

// The profile file extension.
inline constexpr const char* PROFILE_EXTENSION = "tarvel";

}  // namespace wiz
