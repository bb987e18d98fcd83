#include "tools/render/json_writer.h"

#include <cmath>
#include <cstdio>

std::string JsonWriter::quoted(const std::string& text) {
  std::string out = "\"";
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\b': out += "\\b"; break;
      case '\f': out += "\\f"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default:
        if (byte < 0x20) {
          char escape[8];
          std::snprintf(escape, sizeof escape, "\\u%04x", byte);
          out += escape;
        } else {
          out += c;  // UTF-8 passes through as it is
        }
    }
  }
  return out + "\"";
}

void JsonWriter::separate() {
  if (afterKey_) {
    afterKey_ = false;
    return;
  }
  if (!first_.empty()) {
    if (!first_.back()) out_ << ",";
    first_.back() = false;
  }
}

void JsonWriter::open(char bracket) {
  separate();
  out_ << bracket;
  first_.push_back(true);
}

void JsonWriter::close(char bracket) {
  first_.pop_back();
  out_ << bracket;
}

void JsonWriter::key(const std::string& name) {
  separate();
  out_ << quoted(name) << ":";
  afterKey_ = true;
}

void JsonWriter::value(const std::string& text) {
  separate();
  out_ << quoted(text);
}

void JsonWriter::value(double number) {
  separate();
  // JSON has no NaN or infinity.
  if (!std::isfinite(number)) {
    out_ << "null";
    return;
  }
  char text[32];
  std::snprintf(text, sizeof text, "%.17g", number);
  out_ << text;
}

void JsonWriter::value(std::int64_t number) {
  separate();
  out_ << number;
}

void JsonWriter::value(bool flag) {
  separate();
  out_ << (flag ? "true" : "false");
}

void JsonWriter::null() {
  separate();
  out_ << "null";
}
