#include "runtime/ember_strings_files.h"

std::string& CEmberStrings::stringAt(std::int32_t key) {
  std::string& text = strings[key];
  stringCount = static_cast<double>(strings.size());
  return text;
}

void CEmberStrings::registerLiteral(std::int32_t key, const char* text) {
  std::string& slot = strings[key];
  stringCount = static_cast<double>(strings.size());
  slot = text;
}

void TEmberFile::close() noexcept {
  name.clear();
  position = 0;
  data.clear();
  mode = kFileClosed;
}

void TEmberFile::reopen(TEmberFileMode newMode) noexcept {
  close();
  mode = newMode;
}

void CEmberFiles::fileValue(std::int32_t handle, TEmberVar& variable) {
  if (handle < 0 || static_cast<std::size_t>(handle) >= files.size()) return;
  TEmberFile& file = files[static_cast<std::size_t>(handle)];
  if (file.position < 0) return;
  const auto position = static_cast<std::size_t>(file.position);
  if (file.mode == kFileRead) {
    if (position < file.data.size()) {
      variable = static_cast<double>(file.data[position]);
      ++file.position;
    }
  } else if (file.mode == kFileWrite) {
    if (file.data.size() < position + 1) file.data.resize(position + 1, 0.0f);
    file.data[position] = static_cast<float>(variable.load());
    ++file.position;
  }
}

CEmberFiles::~CEmberFiles() {
  for (TEmberFile& file : files) file.close();
}
