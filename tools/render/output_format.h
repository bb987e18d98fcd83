// OUTPUT's container is the one --type names, else its extension's (INPUT's when it has
// none); the sample encoding is the one --encoding names, else INPUT's, else the nearest
// the container holds.
#pragma once

#include <string>
#include <vector>

// What OUTPUT's name asks for.
struct OutputType {
  int container = 0;        // 0: none named, INPUT's container
  int namedEncoding = 0;    // an encoding the extension implies (.opus, .mp3), else 0
  std::string encoding;     // the --encoding name, or empty
};

struct OutputFormat {
  int fileFormat = 0;    // libsndfile's container | encoding
  std::string name;      // "FLAC, 24-bit PCM"
  std::string fallback;  // "in place of the input's 32-bit float" when the encoding had to change
};

// The --encoding names, in the order --help lists them.
const std::vector<std::string>& encodingNames();
// What this build's libsndfile handles, for --help: the file types it reads ("AIFF,
// AU, ...") and the extensions it writes ("aif, aifc, au, ...").
std::string readableTypeList();
std::string writableExtensionList();

// Throws UsageError when the type (`forcedType`, else the extension) names nothing
// libsndfile writes (listing what it does) or its container cannot hold the --encoding
// (listing what it holds).
OutputType outputTypeFor(const std::string& outputPath, const std::string& encoding,
                         const std::string& forcedType = "");
// The same refusal for an encoding INPUT's container cannot hold.
OutputFormat chooseOutputFormat(const OutputType& type, int inputFormat);
