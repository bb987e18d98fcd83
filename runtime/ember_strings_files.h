// Numbered strings and float-buffer file handles.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "runtime/ember_sliders.h"

class CEmberStrings : public CEmberDescription {
 public:
  std::map<std::int32_t, std::string> strings;
  std::map<std::int32_t, std::string> secondStrings;  // not cleared by DoOpen
  TEmberVar stringCount{0.0};

  // Keyed access: a missing key is added with an empty text.
  std::string& stringAt(std::int32_t key);
  void registerLiteral(std::int32_t key, const char* text);

 protected:
  ~CEmberStrings() = default;
};

enum TEmberFileMode : std::int32_t { kFileClosed = 0, kFileRead = 1, kFileWrite = 2 };

struct TEmberFile {
  std::string name;
  std::int32_t position = 0;
  std::vector<float> data;
  std::int32_t mode = kFileClosed;

  void close() noexcept;
  void reopen(TEmberFileMode newMode) noexcept;
};

class CEmberFiles : public CEmberStrings {
 public:
  CEmberFiles() : files(1) {}

  // Handle 0 carries the state chunk.
  std::vector<TEmberFile> files;

  // Reads the next value into `variable` (read mode) or appends/overwrites it as a
  // float (write mode); a closed or unknown handle does nothing.
  void fileValue(std::int32_t handle, TEmberVar& variable);

 protected:
  ~CEmberFiles();
};

// Drawing, font and mouse state: nothing of it is reached without an editor.
class CEmberFonts : public CEmberFiles {
 protected:
  ~CEmberFonts() = default;
};
class CEmberGraphics : public CEmberFonts {
 protected:
  ~CEmberGraphics() = default;
};
class CEmberMouse : public CEmberGraphics {
 protected:
  ~CEmberMouse() = default;
};
