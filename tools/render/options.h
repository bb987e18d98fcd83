// Everything the command line asks for.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct RenderOptions {
  std::string plugin;
  std::string input;
  std::string output;
  bool info = false;
  bool json = false;            // --info as one JSON object
  std::string pluginId;         // --plugin-id: which plug-in of a file that holds several
  std::int32_t blockSize = 512;
  bool doublePrecision = false;
  std::string encoding;                 // an --encoding name; empty: INPUT's or the nearest
  std::string fileType;                 // --type: OUTPUT's file type whatever its extension
  std::optional<double> tailSeconds;    // none: the plug-in's own tail size
  bool compensateLatency = true;
  std::vector<std::string> parameters;  // "INDEX=VALUE" or "NAME=TEXT", applied in order
  std::string preset;                   // loaded before the parameters
  std::string savePreset;
  bool upmix = false;
  std::string sidechain;                // --sidechain: feeds the inputs after INPUT's channels
  std::string outputFolder;             // -o: a batch of INPUTs, each written there
  std::vector<std::string> batchInputs;
  bool force = false;
};
