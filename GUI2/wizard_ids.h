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
