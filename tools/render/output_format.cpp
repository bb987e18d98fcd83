#include "tools/render/output_format.h"

#include <sndfile.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <optional>

#include "tools/render/render_error.h"

namespace {

// The encodings --format names. `bits` orders the lossless ones by what they hold
// exactly (float above 32-bit PCM, which cannot go past full scale); 0 marks lossy ones.
struct Encoding {
  const char* name;
  const char* description;
  int subtypes[2];  // the first the container holds is used
  int bits;
};

constexpr Encoding kEncodings[] = {
    {"pcm8", "8-bit PCM", {SF_FORMAT_PCM_S8, SF_FORMAT_PCM_U8}, 8},
    {"pcm16", "16-bit PCM", {SF_FORMAT_PCM_16}, 16},
    {"pcm24", "24-bit PCM", {SF_FORMAT_PCM_24}, 24},
    {"pcm32", "32-bit PCM", {SF_FORMAT_PCM_32}, 32},
    {"float", "32-bit float", {SF_FORMAT_FLOAT}, 33},
    {"double", "64-bit float", {SF_FORMAT_DOUBLE}, 64},
    {"vorbis", "Vorbis", {SF_FORMAT_VORBIS}, 0},
    {"opus", "Opus", {SF_FORMAT_OPUS}, 0},
    {"mp3", "MPEG layer III", {SF_FORMAT_MPEG_LAYER_III}, 0},
    {"ulaw", "u-law", {SF_FORMAT_ULAW}, 0},
    {"alaw", "A-law", {SF_FORMAT_ALAW}, 0},
};

// Extensions people use beside the one libsndfile gives each container.
struct Alias {
  const char* extension;
  int container;
  int encoding;
};

constexpr Alias kAliases[] = {
    {"aif", SF_FORMAT_AIFF, 0},          {"aifc", SF_FORMAT_AIFF, 0},
    {"snd", SF_FORMAT_AU, 0},            {"ogg", SF_FORMAT_OGG, SF_FORMAT_VORBIS},
    {"oga", SF_FORMAT_OGG, SF_FORMAT_VORBIS}, {"opus", SF_FORMAT_OGG, SF_FORMAT_OPUS},
    {"mp3", SF_FORMAT_MPEG, SF_FORMAT_MPEG_LAYER_III}, {"sph", SF_FORMAT_NIST, 0},
    {"ircam", SF_FORMAT_IRCAM, 0},       {"svx", SF_FORMAT_SVX, 0},
};

// Whether the container takes the encoding at all; the channel count and sample rate
// are checked again when the file is opened.
bool holds(int container, int subtype) {
  SF_INFO info{};
  info.channels = 1;
  info.samplerate = 48000;
  info.format = container | subtype;
  return sf_format_check(&info) != 0;
}

// libsndfile's list of containers or of encodings.
std::vector<SF_FORMAT_INFO> libsndfileFormats(int countCommand, int entryCommand) {
  int count = 0;
  sf_command(nullptr, countCommand, &count, sizeof count);
  std::vector<SF_FORMAT_INFO> formats;
  for (int index = 0; index < count; ++index) {
    SF_FORMAT_INFO info{};
    info.format = index;
    if (sf_command(nullptr, entryCommand, &info, sizeof info) == 0) formats.push_back(info);
  }
  return formats;
}

std::vector<int> libsndfileSubtypes() {
  std::vector<int> subtypes;
  for (const SF_FORMAT_INFO& info : libsndfileFormats(SFC_GET_FORMAT_SUBTYPE_COUNT, SFC_GET_FORMAT_SUBTYPE))
    subtypes.push_back(info.format);
  return subtypes;
}

bool writable(int container) {
  const std::vector<int> subtypes = libsndfileSubtypes();
  return std::any_of(subtypes.begin(), subtypes.end(), [&](int subtype) { return holds(container, subtype); });
}

// Every extension libsndfile can write, with its container; the first claim wins
// ("wav" is Microsoft's WAV, not NIST's).
std::vector<Alias> writableExtensions() {
  std::vector<Alias> known;
  for (const SF_FORMAT_INFO& info : libsndfileFormats(SFC_GET_FORMAT_MAJOR_COUNT, SFC_GET_FORMAT_MAJOR))
    if (info.extension) known.push_back({info.extension, info.format, 0});
  std::vector<Alias> extensions;
  const auto add = [&](const Alias& alias) {
    const auto claimed = [&](const Alias& other) { return std::string(other.extension) == alias.extension; };
    const auto listed = [&](const Alias& other) { return other.container == alias.container; };
    if (std::none_of(extensions.begin(), extensions.end(), claimed) &&
        std::any_of(known.begin(), known.end(), listed) && writable(alias.container))
      extensions.push_back(alias);
  };
  for (const Alias& alias : known) add(alias);
  for (const Alias& alias : kAliases) add(alias);
  std::sort(extensions.begin(), extensions.end(),
            [](const Alias& a, const Alias& b) { return std::string(a.extension) < b.extension; });
  return extensions;
}

std::string formatInfoName(int command, int format) {
  SF_FORMAT_INFO info{};
  info.format = format;
  if (sf_command(nullptr, command, &info, sizeof info) == 0 && info.name) return info.name;
  char hex[24];
  std::snprintf(hex, sizeof hex, "format 0x%X", static_cast<unsigned>(format));
  return hex;
}

// "FLAC (Free Lossless Audio Codec)" becomes "FLAC".
std::string containerName(int container) {
  const std::string name = formatInfoName(SFC_GET_FORMAT_INFO, container);
  return name.substr(0, name.find(" ("));
}

const Encoding* encodingNamed(const std::string& name) {
  for (const Encoding& encoding : kEncodings)
    if (name == encoding.name) return &encoding;
  return nullptr;
}

std::string encodingName(int subtype) {
  for (const Encoding& encoding : kEncodings)
    if (std::find(std::begin(encoding.subtypes), std::end(encoding.subtypes), subtype) != std::end(encoding.subtypes))
      return encoding.description;
  return formatInfoName(SFC_GET_FORMAT_INFO, subtype);
}

std::optional<int> heldSubtype(const Encoding& encoding, int container) {
  for (int subtype : encoding.subtypes)
    if (subtype != 0 && holds(container, subtype)) return subtype;
  return std::nullopt;
}

// The --encoding, refused with those the container holds when it holds not that one.
int namedSubtype(const std::string& name, int container) {
  const Encoding* encoding = encodingNamed(name);
  if (!encoding) throw UsageError("--encoding " + name + ": unknown encoding");
  if (const std::optional<int> subtype = heldSubtype(*encoding, container)) return *subtype;
  std::string held;
  for (const Encoding& candidate : kEncodings)
    if (heldSubtype(candidate, container)) held += (held.empty() ? "" : ", ") + std::string(candidate.name);
  throw UsageError(containerName(container) + " files cannot hold --encoding " + name + "; " +
                   (held.empty() ? "leave --encoding out for this type" : "it holds " + held));
}

// How exactly a decoded input encoding is worth keeping: lossy and companded sources
// count as 16-bit.
int bitsOf(int subtype) {
  switch (subtype) {
    case SF_FORMAT_PCM_S8: case SF_FORMAT_PCM_U8: case SF_FORMAT_DPCM_8: return 8;
    case SF_FORMAT_PCM_24: case SF_FORMAT_DWVW_24: case SF_FORMAT_ALAC_20: case SF_FORMAT_ALAC_24: return 24;
    case SF_FORMAT_PCM_32: case SF_FORMAT_ALAC_32: return 32;
    case SF_FORMAT_FLOAT: return 33;
    case SF_FORMAT_DOUBLE: return 64;
    default: return 16;
  }
}

// The input's own encoding when the container holds it; else the smallest lossless one
// that holds the input exactly; else the most exact lossless one; else a lossy one;
// else whatever libsndfile writes into the container.
int nearestSubtype(int container, int inputSubtype) {
  if (holds(container, inputSubtype)) return inputSubtype;
  const int wanted = bitsOf(inputSubtype);
  std::optional<int> above, below;
  int aboveBits = 0, belowBits = 0;
  for (const Encoding& encoding : kEncodings) {
    const std::optional<int> subtype = heldSubtype(encoding, container);
    if (!subtype || encoding.bits == 0) continue;
    if (encoding.bits >= wanted && (!above || encoding.bits < aboveBits)) above = subtype, aboveBits = encoding.bits;
    if (encoding.bits < wanted && encoding.bits > belowBits) below = subtype, belowBits = encoding.bits;
  }
  if (above) return *above;
  if (below) return *below;
  for (const Encoding& encoding : kEncodings)
    if (const std::optional<int> subtype = heldSubtype(encoding, container)) return *subtype;
  for (int subtype : libsndfileSubtypes())
    if (holds(container, subtype)) return subtype;
  throw UsageError(containerName(container) + " files cannot be written");
}

std::string lowerCase(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

std::string extensionOf(const std::string& path) {
  const std::size_t slash = path.find_last_of('/');
  const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
  const std::size_t dot = path.find_last_of('.');
  // A leading dot marks a hidden file, not an extension.
  if (dot == std::string::npos || dot <= nameStart) return "";
  return lowerCase(path.substr(dot + 1));
}

}  // namespace

const std::vector<std::string>& encodingNames() {
  static const std::vector<std::string> names = [] {
    std::vector<std::string> list;
    for (const Encoding& encoding : kEncodings) list.push_back(encoding.name);
    return list;
  }();
  return names;
}

std::string readableTypeList() {
  std::vector<std::string> names;
  for (const SF_FORMAT_INFO& info : libsndfileFormats(SFC_GET_FORMAT_MAJOR_COUNT, SFC_GET_FORMAT_MAJOR))
    names.push_back(containerName(info.format));
  std::sort(names.begin(), names.end());
  names.erase(std::unique(names.begin(), names.end()), names.end());
  std::string list;
  for (const std::string& name : names) list += (list.empty() ? "" : ", ") + name;
  return list;
}

std::string writableExtensionList() {
  std::string list;
  for (const Alias& alias : writableExtensions()) list += (list.empty() ? "" : ", ") + std::string(alias.extension);
  return list;
}

OutputType outputTypeFor(const std::string& outputPath, const std::string& encoding, const std::string& forcedType) {
  OutputType type;
  type.encoding = encoding;
  std::string extension = forcedType.empty() ? extensionOf(outputPath) : lowerCase(forcedType);
  if (!extension.empty() && extension.front() == '.') extension.erase(0, 1);
  if (extension.empty()) return type;
  const std::vector<Alias> extensions = writableExtensions();
  const auto found = std::find_if(extensions.begin(), extensions.end(),
                                  [&](const Alias& alias) { return extension == alias.extension; });
  if (found == extensions.end()) {
    std::string list;
    for (const Alias& alias : extensions) list += (list.empty() ? "" : ", ") + std::string(alias.extension);
    const std::string what = forcedType.empty() ? "cannot write ." + extension + " files ('" + outputPath + "')"
                                                : "--type " + forcedType + ": cannot write this type";
    throw UsageError(what + "; the output types are " + list);
  }
  type.container = found->container;
  type.namedEncoding = found->encoding;
  if (!encoding.empty()) namedSubtype(encoding, type.container);
  return type;
}

OutputFormat chooseOutputFormat(const OutputType& type, int inputFormat) {
  const int container = type.container != 0 ? type.container : inputFormat & SF_FORMAT_TYPEMASK;
  const int inputSubtype = inputFormat & SF_FORMAT_SUBMASK;
  OutputFormat format;
  int subtype = 0;
  if (!type.encoding.empty()) {
    subtype = namedSubtype(type.encoding, container);
  } else {
    subtype = type.namedEncoding != 0 ? type.namedEncoding : nearestSubtype(container, inputSubtype);
    if (subtype != inputSubtype) format.fallback = "in place of the input's " + encodingName(inputSubtype);
  }
  format.fileFormat = container | subtype;
  format.name = containerName(container) + ", " + encodingName(subtype);
  return format;
}
