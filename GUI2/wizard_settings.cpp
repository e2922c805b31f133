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
}  // namespace

namespace wizard_settings {

QString last_folder() {
  tk_reg_key key;
  if (key.open(TK_HKEY_CURRENT_USER, tarvel_convertor::kSettingsKey) != TK_ERROR_SUCCESS) return {};
  uint32_t size = 0;
  std::wstring value;
  if (key.get_value(kLastFolder, nullptr, &size) != TK_ERROR_SUCCESS ||
      key.get_value(kLastFolder, &value, &size) != TK_ERROR_SUCCESS)
    return {};
  return QString::fromStdWString(value);
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
