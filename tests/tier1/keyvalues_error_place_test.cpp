// Where the key/value reader stood at each error: the line and column of the offset its report
// names, counted only when an error is reported; the report text itself stays as it was.
#include <gtest/gtest.h>

#include <string>

#include "support/spew_capture.h"
#include "tier1/KeyValues.h"
#include "tier1/keyvalues_text/keyvalues_reader.h"
#include "tier1/utlbuffer.h"

namespace {

struct Read {
  KeyValuesParseReport report;
  std::string loadErrors;  // what LoadFromBuffer gives for the same text
};

Read ReadText(const std::string &text) {
  Read read;
  CUtlBuffer buf(text.data(), static_cast<int>(text.size()), CUtlBuffer::READ_ONLY | CUtlBuffer::TEXT_BUFFER);
  KeyValuesAD root(new KeyValues("root"));
  CKeyValuesReader("test.res", buf, read.report).Load(root.get());
  KeyValuesAD again(new KeyValues("root"));
  again->LoadFromBuffer("test.res", text.c_str(), &read.loadErrors);
  return read;
}

std::string Places(const KeyValuesParseReport &report) {
  std::string places;
  for (const KeyValuesErrorPlace &place : report.places)
    places += std::to_string(place.line) + ":" + std::to_string(place.column) + " ";
  return places;
}

TEST(KeyValuesErrorPlace, LineAndColumnOfEachReport) {
  struct Case {
    const char *text;
    const char *places;  // "line:column " per error
  };
  const Case cases[] = {
      {"\"A\" \"x\"\n\"B\" { \"k\" }\n", "1:8 2:12 "},
      {"\"A\"\n{\n \"pb\"\n {\n  \"pc\" \"1\"\n }\n \"pd\"", "7:6 "},  // the end of the text
      // Columns count characters, not bytes; a byte order mark is none.
      {"\"Ä\" \"ö\"\n\"B\" { \"k\" }", "1:8 2:12 "},
      {"\xEF\xBB\xBF\"A\" \"x\"", "1:8 "},
      {"\"A\" \"x\"\r\n\"B\" { \"k\" }", "1:8 2:12 "},
      {"A x B y C { k }", "1:4 1:8 1:16 "},
      {"\"A\" { \"k\" \"v\" }", ""},
  };
  for (const Case &c : cases) {
    SpewCapture spew;
    Read read = ReadText(c.text);
    EXPECT_EQ(Places(read.report), c.places) << c.text;
    EXPECT_EQ(read.report.places.size(), static_cast<size_t>(read.report.errorCount)) << c.text;
  }
}

TEST(KeyValuesErrorPlace, PlacesFollowTheUnchangedReports) {
  SpewCapture spew;
  Read read = ReadText("\"A\" \"x\"\n\"B\" { \"k\" }\n");
  const std::string first =
      "KeyValues Error: LoadFromBuffer: missing {   (current key: 'A') in file test.res [offset: 7]\n\n";
  const std::string second =
      "KeyValues Error: RecursiveLoadFromBuffer:  got } in key in file test.res [offset: 19]\nB, k, \n";
  EXPECT_EQ(read.report.errors, first + second);
  EXPECT_EQ(read.loadErrors, read.report.errors) << "LoadFromBuffer's text is as it was";
  EXPECT_EQ(spew.Warnings().at(0), first) << "so is the warning";
  EXPECT_EQ(KeyValuesErrorsWithPlaces(read.report),
            first + "  at line 1, column 8\n" + second + "  at line 2, column 12\n");
  EXPECT_EQ(KeyValuesErrorsWithPlaces(KeyValuesParseReport()), "");
}

TEST(KeyValuesErrorPlace, LoadersWithPlacesGiveTheSameTreeAndPlacedReports) {
  SpewCapture spew;
  const char *text = "\"A\" { \"n\" \"1\"\n \"m\"";
  KeyValuesAD plain(new KeyValues("x"));
  KeyValuesAD placed(new KeyValues("x"));
  std::string plainErrors, placedErrors;
  EXPECT_FALSE(plain->LoadFromBuffer("t.res", text, &plainErrors));
  EXPECT_FALSE(LoadKeyValuesWithPlaces(placed.get(), "t.res", text, &placedErrors));
  EXPECT_EQ(placed->GetInt("n"), 1);
  EXPECT_NE(placed->FindKey("m"), nullptr);
  EXPECT_EQ(placedErrors, plainErrors + "  at line 2, column 5\n");

  KeyValuesAD good(new KeyValues("x"));
  std::string none = "stale";
  EXPECT_TRUE(LoadKeyValuesWithPlaces(good.get(), "t.res", "\"A\" { \"k\" \"v\" }", &none));
  EXPECT_EQ(none, "");
  EXPECT_STREQ(good->GetString("k"), "v");
}

}  // namespace
