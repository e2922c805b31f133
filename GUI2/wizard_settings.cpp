// The wizard's remembered choices in the settings store.
#include "GUI2/wizard_settings.h"

#include <QDir>
#include <QFileInfo>
#include <string>

#include "TK/tk_reg_key.h"
#include "common/tarvel_convertor.h"

namespace {
constexpr const wchar_t* kLastFolder = L"last_folder";
constexpr const char* kVerifyAtOnce = "verify_at_once";
constexpr const wchar_t* kKeptFile = L"kept_ugl_file";
constexpr const wchar_t* kKeptUser = L"kept_ugl_user";
constexpr const wchar_t* kKeptPassword = L"kept_ugl_pswd";
constexpr const wchar_t* kKeptSource = L"kept_ugl_source";

QString read_text(tk_reg_key& key, const wchar_t* name) {
  uint32_t size = 0;
  std::wstring value;
  if (key.get_value(name, nullptr, &size) != TK_ERROR_SUCCESS ||
      key.get_value(name, &value, &size) != TK_ERROR_SUCCESS)
    return {};
  return QString::fromStdWString(value);
}
}  // namespace

namespace wizard_settings {

QString last_folder() {
  tk_reg_key key;
  if (key.open(TK_HKEY_CURRENT_USER, tarvel_convertor::kSettingsKey) != TK_ERROR_SUCCESS) return {};
  return read_text(key, kLastFolder);
}

void set_last_folder(const QString& folder) {
  tk_reg_key key;
  if (key.open(TK_HKEY_CURRENT_USER, tarvel_convertor::kSettingsKey) == TK_ERROR_SUCCESS)
    key.set_value(kLastFolder, folder.toStdWString());
}

bool verify_at_once() {
  tk_reg_key key;
  uint32_t value = 0;
  if (key.open(TK_HKEY_CURRENT_USER, tarvel_convertor::kSettingsKey) != TK_ERROR_SUCCESS ||
      key.get_value(kVerifyAtOnce, &value) != TK_ERROR_SUCCESS)
    return false;
  return value != 0;
}

void set_verify_at_once(bool on) {
  tk_reg_key key;
  if (key.open(TK_HKEY_CURRENT_USER, tarvel_convertor::kSettingsKey) == TK_ERROR_SUCCESS)
    key.set_value(kVerifyAtOnce, on ? 1u : 0u);
}

workgroup kept_workgroup() {
  tk_reg_key key;
  if (key.open(TK_HKEY_CURRENT_USER, tarvel_convertor::kSettingsKey) != TK_ERROR_SUCCESS) return {};
  return {read_text(key, kKeptFile), read_text(key, kKeptUser), read_text(key, kKeptPassword),
          read_text(key, kKeptSource)};
}

void set_kept_workgroup(const workgroup& values) {
  tk_reg_key key;
  if (key.open(TK_HKEY_CURRENT_USER, tarvel_convertor::kSettingsKey) != TK_ERROR_SUCCESS) return;
  key.set_value(kKeptFile, values.file.toStdWString());
  key.set_value(kKeptUser, values.user.toStdWString());
  key.set_value(kKeptPassword, values.password.toStdWString());
  key.set_value(kKeptSource, values.source.toStdWString());
}

bool same_file(const QString& a, const QString& b) {
  if (a.trimmed().isEmpty() || b.trimmed().isEmpty()) return false;
  return QDir::cleanPath(QFileInfo(a.trimmed()).absoluteFilePath()) ==
         QDir::cleanPath(QFileInfo(b.trimmed()).absoluteFilePath());
}

QString start_folder(const QString& current) {
  const QString trimmed = current.trimmed();
  if (!trimmed.isEmpty()) {
    const QFileInfo info(trimmed);
    const QString folder = info.isDir() ? info.absoluteFilePath() : info.absolutePath();
    if (QFileInfo(folder).isDir()) return folder;
  }
  const QString last = last_folder();
  return !last.isEmpty() && QFileInfo(last).isDir() ? last : QString();
}

}  // namespace wizard_settings
