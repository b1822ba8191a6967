// The buffer reader (whole documents in memory) against the stream reader: for every input
// both must end in the same tree, the same encoding and the same error. An event handler keeps
// a load on the stream reader, so each input is loaded once each way.
#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "common/TestSupport.h"
#include "platform/Classes.h"
#include "xml/XmlDocument.h"
#include "xml/XmlNode.h"
#include "XmlSuiteSupport.h"

using namespace Vorlane;
namespace fs = std::filesystem;

namespace {

enum class TWay { Buffer, Stream };
enum class TEntry { Load, String };

// Everything a load leaves: the error, the encoding and the whole tree, one line per node.
std::string Outcome(const std::string& ABytes, TWay AWay, TEntry AEntry, bool ADropComments = false) {
  TXmlDocument Doc;
  Doc.SetDropCommentsOnParse(ADropComments);
  if (AWay == TWay::Stream) Doc.SetOnProgress([](TXmlDocument*, Integer) {});
  std::string Result;
  try {
    if (AEntry == TEntry::Load) {
      TMemoryStream Input;
      if (!ABytes.empty()) Input.Write(ABytes.data(), static_cast<Integer>(ABytes.size()));
      Input.SetPosition(0);
      Doc.LoadFromStream(&Input);
      Result += "encoding " + std::to_string(static_cast<int>(Doc.ExternalEncoding())) + "\n";
    } else {
      Doc.ReadFromString(ABytes);
    }
  } catch (const Exception& E) {
    Result += std::string("error ") + E.ClassName() + ": " + E.MessageUtf8() + "\n";
  }
  struct TItem {
    const TXmlNode* Node;
    int Depth;
  };
  std::vector<TItem> Pending{{Doc.RootNodeList(), 0}};
  while (!Pending.empty()) {
    const TItem Item = Pending.back();
    Pending.pop_back();
    const TXmlNode* N = Item.Node;
    Result += std::to_string(Item.Depth) + " " + std::to_string(static_cast<int>(N->ElementType())) + " <" +
              N->Name() + ">";
    for (Integer I = 0; I < N->GetAttributeCount(); ++I) Result += " [" + N->GetAttributePair(I) + "]";
    Result += " {" + N->ValueDirect() + "}\n";
    for (Integer I = N->GetNodeCount() - 1; I >= 0; --I) Pending.push_back({N->GetNodes(I), Item.Depth + 1});
  }
  return Result;
}

void ExpectSameOutcome(const std::string& ABytes, const std::string& AWhat, bool ADropComments = false) {
  for (TEntry Entry : {TEntry::Load, TEntry::String}) {
    const std::string Stream = Outcome(ABytes, TWay::Stream, Entry, ADropComments);
    const std::string Buffer = Outcome(ABytes, TWay::Buffer, Entry, ADropComments);
    if (Stream != Buffer) {
      ADD_FAILURE() << AWhat << (Entry == TEntry::Load ? " (loaded)" : " (from a string)") << "\nstream reader:\n"
                    << Stream.substr(0, 2000) << "\nbuffer reader:\n"
                    << Buffer.substr(0, 2000);
      return;
    }
  }
}

}  // namespace

TEST(BufferReader, HandMadeDocumentsGiveTheStreamReadersTree) {
  const std::string Bom = "\xEF\xBB\xBF";
  const char* const Cases[] = {
      // Layout and text: CR LF and LF, text around children, CR only after the last child,
      // blank-only text, leaves, empty elements, root-level text and comments.
      "<a>\r\n  <b>x</b>\r\n  text\r\n  <c/>\r\n</a>\r\n",
      "<a>\n  <b>x</b>\n  text\n  <c/>\n</a>\n",
      "<a>lead<b/>mid<c/>tail \r\n </a>",
      "<a>lead \r\n<b/>mid\r\n<c/>\n</a>",
      "<a>  </a>",
      "<a></a><!-- after -->trailing text",
      "junk before <a x=\"1\"/> junk after",
      "<!-- first --><a/><!-- last -->",
      // Attributes: quotes of both kinds, ">" and "/" inside them, blanks around "=", many.
      "<a x='1' y=\"2\" z='>'/>",
      "<a x=\"a>b\" y='c/'>t</a>",
      "<a x = \"1\"   y= '2' z =\"3\"/>",
      "<a\tx=\"1\"\r\n  y=\"2\"\n/>",
      "<a x=\"1\"x=\"2\"/>",
      "<a =\"x\"/>",
      "<a b c d/>",
      // Comments, CDATA, declarations and what is left to the stream reader.
      "<a><!-- c --><![CDATA[ <x> ]]><b/></a>",
      "<a><![CDATA[]]></a>",
      "<a><!----></a>",
      "<?xml version=\"1.0\" encoding=\"utf-8\"?><a/>",
      "<?xml version='1.0'?>\r\n<a>\xC3\xA9</a>",
      "<?xml version=\"1.0\" encoding=\"windows-1252\"?><a>\xE9</a>",
      "<a>\xE9</a>",
      "<?xmlfoo bar?><a/>",
      "<?xml-stylesheet href=\"s.xsl\"?><a/>",
      "<?pi data?><a/>",
      "<!DOCTYPE a [<!ENTITY e \"x\">]><a>&e;</a>",
      "<a><!ELEMENT b ANY></a>",
      // Close tags: other case, blanks, wrong name, missing.
      "<Ab>x</aB>",
      "<a>x</a >",
      "<a>x</ a>",
      "<a>x</b>",
      "<a><b>x</a>",
      "<a>x",
      "<a x=\"1",
      "<a><!-- open",
      "<a>< b/></a>",
      "< a/>",
      "</a>",
      "<>",
      "",
      "   ",
      "<a/><b/>",
      "\xF0\x9F\x98\x80<a>\xF0\x9F\x98\x80</a>",
      // Children collected per open element: left to the stream reader (or broken off) with
      // children read at several levels, comments dropped between children, text among them,
      // blank runs long and short before children and close tags, with and without CR.
      "<a><b/><c><d/><e><f/><?pi x?></e></c></a>",
      "<a><b/><c><d/><e><f/><g>x</a>",
      "<a><b/><c><d/><e><f/><!DOCTYPE x></e></c></a>",
      "<a>\r\n        <b/>\r\n        <!-- c -->\r\n        <d/>\r\n    </a>",
      "<a><!-- only --></a>",
      "<a>x<!-- c -->y<b/>z\r\n                 </a>",
      "<a>t1\r\n  <b/>t2\r\n  <c/>                \r\n</a>",
      "<a>\t\t\t\t\t\t\t\t\t<b/>\n\n\n\n\n\n\n\n\n\n</a>",
      "<a>                 </a>",
      "<a>        \r\n        x</a>",
      "<a><b>  </b>        \n        <c>\r\n</c>\n</a>",
      // Leaves closed at once, and close tags that only look like it; long names and names
      // with quotes, control bytes and multi-byte characters.
      "<LongElementName>x</LongElementName><LongElementName>x</LongElementNamE>",
      "<p><LongElementName>x</LongElementName2></p>",
      "<p><ab>x</a></p><p><a>x</ab></p><p><a>x</a/></p>",
      "<p><a\"b>\">x</a\"b>\"></p>",
      "<p><Name\x01WithAControlByte a1234567='>'>x</Name\x01WithAControlByte></p>",
      "<p><Na\xC3\xA9me\xC3\xA9\xC3\xA9\xC3\xA9\tattr=\"v\"\r\n>\xC3\xA9</Na\xC3\xA9me\xC3\xA9\xC3\xA9\xC3\xA9></p>",
  };
  for (const char* Case : Cases) {
    ExpectSameOutcome(Case, Case);
    ExpectSameOutcome(Bom + Case, "BOM + " + std::string(Case));
    ExpectSameOutcome(Case, std::string(Case) + " (comments dropped)", true);
  }
  // A 0 byte, UTF-16 and deep nesting.
  ExpectSameOutcome(std::string("<a>x\0y</a>", 10), "0 byte");
  ExpectSameOutcome(std::string("\xFF\xFE<\0a\0/\0>\0", 10), "UTF-16");
  std::string Deep;
  for (int I = 0; I < 4100; ++I) Deep += "<d>";
  ExpectSameOutcome(Deep, "deeper than the limit");
}

TEST(BufferReader, CorpusFilesGiveTheStreamReadersTree) {
  TESTSUPPORT_SKIP_IF_ABSENT(TestSupport::CorpusDir(), "corpus");
  int Files = 0;
  for (const auto& Entry : fs::recursive_directory_iterator(TestSupport::CorpusDir())) {
    if (!Entry.is_regular_file()) continue;
    ExpectSameOutcome(TestSupport::ReadBytes(Entry.path()), Entry.path().string());
    ++Files;
  }
  EXPECT_GT(Files, 250);
}

TEST(BufferReader, ConformanceSuiteGivesTheStreamReadersTree) {
  std::string WhyNot;
  const XmlTest::TConformanceSuite* Suite = XmlTest::TConformanceSuite::Get(WhyNot);
  if (Suite == nullptr) GTEST_SKIP() << WhyNot;
  for (const fs::path& File : Suite->Files()) ExpectSameOutcome(TestSupport::ReadBytes(File), File.string());
}

TEST(BufferReader, DamagedProjectFilesGiveTheStreamReadersTree) {
  // Project text with bytes inserted, replaced or cut off at random places: markup characters,
  // quotes, blanks, line ends, a 0 byte and pieces of multi-byte characters.
  TESTSUPPORT_SKIP_IF_ABSENT(TestSupport::CorpusDir(), "corpus");
  std::vector<std::string> Sources;
  for (const auto& Entry : fs::directory_iterator(TestSupport::CorpusDir() / "dproj")) {
    const std::string Bytes = TestSupport::ReadBytes(Entry.path());
    if (Bytes.size() < 6000) Sources.push_back(Bytes);
    if (Sources.size() == 12) break;
  }
  ASSERT_FALSE(Sources.empty());
  const std::string Alphabet[] = {"<", ">", "/", "\"", "'", " ", "\r", "\n", "=", "!", "?", "-", "]",
                                  std::string(1, '\0'), "\xC3", "\x80", "<!--", "]]>", "</", "/>"};
  std::mt19937 Random(18);
  for (int Round = 0; Round < 600; ++Round) {
    std::string Text = Sources[Random() % Sources.size()];
    for (int Edit = 1 + static_cast<int>(Random() % 3); Edit > 0; --Edit) {
      const size_t At = Random() % (Text.size() + 1);
      const std::string& Piece = Alphabet[Random() % std::size(Alphabet)];
      switch (Random() % 3) {
        case 0: Text.insert(At, Piece); break;
        case 1: Text.replace(At, std::min<size_t>(Piece.size(), Text.size() - At), Piece); break;
        default: Text.resize(At); break;
      }
    }
    ExpectSameOutcome(Text, "variant " + std::to_string(Round) + ":\n" + Text.substr(0, 300));
  }
}
