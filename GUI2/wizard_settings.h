// The wizard's own remembered choices, kept in the settings store beside the
// converter's last settings: the folder a file dialog last opened from and
// whether the finish page verifies a conversion at once. GUI thread only.
#pragma once

#include <QString>

namespace wizard_settings {

// The folder of the last file chosen in any file dialog; empty when none.
QString last_folder();
void set_last_folder(const QString& folder);

// Whether the finish page runs Verify as soon as it opens (off by default).
bool verify_at_once();
void set_verify_at_once(bool on);

// Where a file dialog starts: the folder of `current` (a path a field holds)
// when that folder exists, else the last folder used, else empty (the
// dialog's own choice).
QString start_folder(const QString& current);

}  // namespace wizard_settings
