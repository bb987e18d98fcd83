// A small JSON writer: objects, arrays, strings (escaped as JSON requires), numbers,
// booleans and null, with the commas in their places.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

class JsonWriter {
 public:
  explicit JsonWriter(std::ostream& out) : out_(out) {}

  void beginObject() { open('{'); }
  void endObject() { close('}'); }
  void beginArray() { open('['); }
  void endArray() { close(']'); }
  void key(const std::string& name);
  void value(const std::string& text);
  void value(const char* text) { value(std::string(text)); }
  void value(double number);
  void value(std::int64_t number);
  void value(std::int32_t number) { value(static_cast<std::int64_t>(number)); }
  void value(bool flag);
  void null();
  template <typename T>
  void field(const std::string& name, const T& content) {
    key(name);
    value(content);
  }
  void nullField(const std::string& name) {
    key(name);
    null();
  }

  // The string as a JSON literal, quotes included.
  static std::string quoted(const std::string& text);

 private:
  void open(char bracket);
  void close(char bracket);
  void separate();

  std::ostream& out_;
  std::vector<bool> first_;  // per open level: nothing written in it yet
  bool afterKey_ = false;
};
