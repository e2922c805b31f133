// The wizard's own remembered choices, kept in the settings store beside the
// converter's last settings: the folder a file dialog last opened from,
// whether the finish page verifies a conversion at once, and the workgroup
// settings last entered with the source file they opened. GUI thread only.
#pragma once

#include <QString>

namespace wizard_settings {

// The folder of the last file chosen in any file dialog; empty when none.
QString last_folder();
void set_last_folder(const QString& folder);

// Whether the finish page runs Verify as soon as it opens (off by default).
bool verify_at_once();
void set_verify_at_once(bool on);

// The workgroup file, user and password the security page last held, kept
// even while its check box is off (the converter then holds none), and the
// source file that last opened with them (empty: not known).
struct workgroup {
  QString file, user, password, source;
  bool same_values(const workgroup& other) const {
    return file == other.file && user == other.user && password == other.password;
  }
};
workgroup kept_workgroup();
void set_kept_workgroup(const workgroup& values);
// Whether two paths name the same file (compared made absolute and clean).
bool same_file(const QString& a, const QString& b);

// Where a file dialog starts: the folder of `current` (a path a field holds)
// when that folder exists, else the last folder used, else empty (the
// dialog's own choice).
QString start_folder(const QString& current);

}  // namespace wizard_settings
