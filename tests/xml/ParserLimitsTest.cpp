// Hostile nesting is refused at load, before the tree or its rendering can grow out of
// bounds, with the model's own error; documents up to the limits load and write as ever.

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "xml/XmlDocument.h"
#include "xml/XmlNode.h"

using namespace Vorlane;

namespace {

std::string Repeat(const std::string& APart, int ACount) {
  std::string Result;
  Result.reserve(APart.size() * static_cast<size_t>(ACount));
  for (int I = 0; I < ACount; ++I) Result += APart;
  return Result;
}

// ACount elements "a" nested in each other, AInner inside the innermost.
std::string Chain(int ACount, const std::string& AInner = "v") {
  return Repeat("<a>", ACount) + AInner + Repeat("</a>", ACount);
}

}  // namespace

TEST(ParserLimits, NestingIsBoundedAtLoad) {
  struct TCase {
    const char* Name;
    std::function<std::string()> Text;
    const char* Error;  // nullptr: the document loads
  };
  const TCase Cases[] = {
      {"4096 levels, the most that loads", [] { return Chain(4096); }, nullptr},
      {"one level more", [] { return Chain(4097); }, "Nesting deeper than 4096 levels in element a"},
      {"one level more as an empty element", [] { return Chain(4096, "<b/>"); },
       "Nesting deeper than 4096 levels in element a"},
      {"a comment one level too deep", [] { return Chain(4096, "<!-- c -->"); },
       "Nesting deeper than 4096 levels in element a"},
      {"nesting inside a DOCTYPE subset counts",
       [] { return "<!DOCTYPE d [" + Chain(4096) + "]><d/>"; },
       "Nesting deeper than 4096 levels in element a"},
      {"a million levels", [] { return Chain(1000000); }, "Nesting deeper than 4096 levels in element a"},
      // Shallow enough, but every one of the siblings would be indented by 4000 levels.
      {"many siblings far down", [] { return Chain(4000, Repeat("<b/>", 5000)); },
       "Too many deeply nested nodes for the size of the document in element a"},
      {"the same siblings near the top", [] { return Chain(10, Repeat("<b/>", 100000)); }, nullptr},
      {"root-level nodes share one allowance",
       [] { return Repeat(Chain(2500, Repeat("<b/>", 1000)), 10); },
       "Too many deeply nested nodes for the size of the document in element a"},
      {"DOCTYPEs nested in DOCTYPEs", [] { return Repeat("<a><!DOCTYPE x [", 40); },
       "DOCTYPE declarations nested more than 32 deep in element a"},
  };
  for (const TCase& C : Cases) {
    TXmlDocument Doc;
    const std::string Text = C.Text();
    std::string Error = "(loaded)";
    try {
      Doc.ReadFromString(Text);
    } catch (const EFilerError& E) {
      Error = E.what();
    }
    EXPECT_EQ(Error, C.Error != nullptr ? C.Error : "(loaded)") << C.Name;
    if (C.Error == nullptr) {
      // What loads also writes back, compact, to the text it came from.
      EXPECT_TRUE(Doc.WriteToString() == Text + "\n") << C.Name;
    }
  }
}

TEST(ParserLimits, RefusalKeepsTheEventsOfTheNodesReadSoFar) {
  TXmlDocument Doc;
  int Loaded = 0;
  Doc.SetOnNodeLoaded([&](TXmlDocument*, TXmlNode*) { ++Loaded; });
  EXPECT_THROW(Doc.ReadFromString(Chain(5000)), EFilerError);
  // Every open element ends with the error, innermost first, as a nested reader would.
  EXPECT_EQ(Loaded, 4096);
}
