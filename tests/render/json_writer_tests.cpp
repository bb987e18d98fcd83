// The JSON writer --info --json uses: escaping and commas, which a reader rejects if wrong.
#include <gtest/gtest.h>

#include <limits>
#include <sstream>

#include "tools/render/json_writer.h"

namespace {

TEST(JsonWriter, EscapesWhatJsonRequiresAndPassesUtf8Through) {
  const std::pair<std::string, std::string> cases[] = {
      {"plain", "\"plain\""},
      {"say \"hi\"", "\"say \\\"hi\\\"\""},
      {"back\\slash", "\"back\\\\slash\""},
      {"tab\tline\nreturn\r", "\"tab\\tline\\nreturn\\r\""},
      {std::string("nul\0bell\a", 9), "\"nul\\u0000bell\\u0007\""},
      {"\x1f\x7f", "\"\\u001f\x7f\""},
      {"Gr\xc3\xb6\xc3\x9f" "e", "\"Gr\xc3\xb6\xc3\x9f" "e\""},
  };
  for (const auto& [text, literal] : cases) EXPECT_EQ(JsonWriter::quoted(text), literal) << text;
}

TEST(JsonWriter, NestsWithCommasAndWritesNoNaN) {
  std::ostringstream out;
  JsonWriter json(out);
  json.beginObject();
  json.field("a", std::int64_t{1});
  json.key("list");
  json.beginArray();
  json.value("x");
  json.beginObject();
  json.endObject();
  json.value(0.5);
  json.value(std::numeric_limits<double>::quiet_NaN());
  json.endArray();
  json.field("ok", true);
  json.nullField("none");
  json.endObject();
  EXPECT_EQ(out.str(), R"({"a":1,"list":["x",{},0.5,null],"ok":true,"none":null})");
}

}  // namespace
