// The document: defaults and reset, root-level queries, copying, events and abort, and the
// encodings of loading and saving.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "common/TestSupport.h"
#include "xml/XmlDocument.h"
#include "xml/XmlNode.h"

using namespace Vorlane;

namespace {

std::string Names(TXmlNode* AList) {
  std::string Result;
  for (Integer I = 0; I < AList->GetNodeCount(); ++I) {
    if (!Result.empty()) Result += ",";
    TXmlNode* N = AList->GetNodes(I);
    Result += std::to_string(static_cast<int>(N->ElementType())) + ":" + N->Name();
  }
  return Result;
}

std::string Load(TXmlDocument& ADoc, const std::string& ABytes) {
  TBytesStream S(ABytes);
  ADoc.LoadFromStream(&S);
  return ABytes;
}

std::string Save(TXmlDocument& ADoc) {
  TBytesStream S;
  ADoc.SaveToStream(&S);
  return S.DataString();
}

std::string Utf16(const std::u16string& AText, bool ABigEndian) { return TestSupport::Utf16Bytes(AText, ABigEndian); }

const std::string cBom = "\xEF\xBB\xBF";

}  // namespace

// ----- construction, defaults, Clear ---------------------------------------------------------

TEST(DocumentDefaults, NewDocumentHoldsDeclarationAndUnnamedRoot) {
  TXmlDocument Doc;
  EXPECT_EQ(Names(Doc.RootNodeList()), "3:xml,0:");
  EXPECT_TRUE(Doc.IsEmpty());
  EXPECT_EQ(Doc.GetVersionString(), "1.0");
  EXPECT_EQ(Doc.GetEncodingString(), "UTF-8");
  EXPECT_EQ(Doc.XmlFormat(), xfCompact);
  EXPECT_EQ(Doc.IndentString(), "  ");
  EXPECT_EQ(Doc.ExternalEncoding(), seUTF8);
  EXPECT_EQ(Doc.BinaryEncoding(), xbeBase64);
  EXPECT_TRUE(Doc.WriteOnDefault());
  EXPECT_EQ(Doc.FloatSignificantDigits(), 6);
  EXPECT_FALSE(Doc.ParserWarnings());
  EXPECT_TRUE(Doc.GetUtf8Encoded());
  EXPECT_EQ(Doc.GetRoot()->Document(), &Doc);
}

TEST(DocumentDefaults, NamedConstructorChecksTheName) {
  TXmlDocument Doc("Project");
  EXPECT_EQ(Doc.GetRoot()->Name(), "Project");
  EXPECT_FALSE(Doc.IsEmpty());
  try {
    TXmlDocument Bad("a b");
    FAIL() << "no exception";
  } catch (const Exception& E) {
    EXPECT_STREQ(E.what(), "Illegal character in node name \"a b\"");
  }
}

TEST(DocumentDefaults, ClearResetsSettingsAndNodeEventsButKeepsTheRest) {
  TXmlDocument Doc;
  int Progress = 0;
  Doc.SetOnNodeNew([](TXmlDocument*, TXmlNode*) {});
  Doc.SetOnNodeLoaded([](TXmlDocument*, TXmlNode*) {});
  Doc.SetOnProgress([&](TXmlDocument*, Integer) { ++Progress; });
  Doc.SetParserWarnings(true);
  Doc.SetXmlFormat(xfReadable);
  Doc.SetIndentString("\t");
  Doc.SetExternalEncoding(seUTF16LE);
  Doc.ReadFromString("<a><b/></a>");
  Doc.Clear();
  EXPECT_FALSE(Doc.OnNodeNew());
  EXPECT_FALSE(Doc.OnNodeLoaded());
  EXPECT_TRUE(Doc.OnProgress());
  EXPECT_TRUE(Doc.ParserWarnings());
  EXPECT_EQ(Doc.XmlFormat(), xfCompact);
  EXPECT_EQ(Doc.IndentString(), "  ");
  EXPECT_EQ(Doc.ExternalEncoding(), seUTF8);
  EXPECT_EQ(Names(Doc.RootNodeList()), "3:xml,0:");
}

namespace {

// A document class whose Clear differs, as a project document's does.
class TProjectLikeDocument : public TXmlDocument {
 public:
  TProjectLikeDocument() { Clear(); }
  void Clear() override {
    TXmlDocument::Clear();
    GetRoot()->SetName("Project");
    RootNodeList()->NodeDelete(0);
    SetXmlFormat(xfReadable);
    SetIndentString("    ");
  }
};

}  // namespace

TEST(DocumentDefaults, DerivedClearShapesNewDocumentsAndLoadingKeepsSettings) {
  TProjectLikeDocument Doc;
  EXPECT_EQ(Doc.WriteToString(), "<Project></Project>\r\n");
  Doc.ReadFromString("<Project><A>1</A></Project>");
  EXPECT_EQ(Doc.WriteToString(), "<Project>\r\n    <A>1</A>\r\n</Project>\r\n");
}

// ----- root-level queries ------------------------------------------------------------------

TEST(DocumentQueries, CommentStringInsertsAfterTheFirstNode) {
  TXmlDocument Doc;
  EXPECT_EQ(Doc.GetCommentString(), "");
  Doc.SetCommentString("");
  EXPECT_EQ(Doc.RootNodeList()->GetNodeCount(), 2);
  Doc.SetCommentString("a<b");
  EXPECT_EQ(Names(Doc.RootNodeList()), "3:xml,1:,0:");
  EXPECT_EQ(Doc.GetCommentString(), "a<b");
  EXPECT_EQ(Doc.WriteToString(),
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<!--a&lt;b-->\n<></>\n");
  Doc.SetCommentString("c");
  EXPECT_EQ(Doc.RootNodeList()->GetNodeCount(), 3);
}

TEST(DocumentQueries, CommentAndStyleSheetOnEmptyRootLevelListGoToItsEnd) {
  TXmlDocument Doc;
  Doc.RootNodeList()->NodesClear();
  Doc.SetCommentString("c");
  EXPECT_EQ(Names(Doc.RootNodeList()), "1:");
  TXmlNode* Sheet = Doc.GetStyleSheetNode();
  EXPECT_EQ(Names(Doc.RootNodeList()), "1:,4:");
  EXPECT_EQ(Doc.GetStyleSheetNode(), Sheet);
  Doc.RootNodeList()->NodesClear();
  EXPECT_EQ(Doc.GetStyleSheetNode()->Parent(), Doc.RootNodeList());
}

TEST(DocumentQueries, StyleSheetNodeIsCreatedAtPositionOne) {
  TXmlDocument Doc;
  TXmlNode* Sheet = Doc.GetStyleSheetNode();
  EXPECT_EQ(Names(Doc.RootNodeList()), "3:xml,4:,0:");
  EXPECT_EQ(Doc.GetStyleSheetNode(), Sheet);
}

TEST(DocumentQueries, VersionAndEncodingStrings) {
  TXmlDocument Doc;
  Doc.RootNodeList()->NodeDelete(0);
  EXPECT_EQ(Doc.GetEncodingString(), "");
  Doc.SetVersionString("");
  EXPECT_EQ(Names(Doc.RootNodeList()), "0:");
  Doc.SetEncodingString("");
  EXPECT_EQ(Names(Doc.RootNodeList()), "0:");  // equal to the current empty string
  Doc.SetEncodingString("ISO-8859-1");
  EXPECT_EQ(Names(Doc.RootNodeList()), "3:,0:");
  EXPECT_EQ(Doc.GetEncodingString(), "ISO-8859-1");
  Doc.SetVersionString("1.1");
  EXPECT_EQ(Doc.WriteToString(), "<?xml encoding=\"ISO-8859-1\" version=\"1.1\"?>\n<></>\n");
  TXmlDocument Other;
  Other.RootNodeList()->NodeDelete(0);
  Other.SetVersionString("1.0");
  EXPECT_EQ(Other.WriteToString(), "<?xml version=\"1.0\"?>\n<></>\n");
}

TEST(DocumentQueries, RootIsTheFirstElementAtRootLevel) {
  TXmlDocument Doc;
  Doc.ReadFromString("<!-- c --><first/><second/>");
  EXPECT_EQ(Doc.GetRoot()->Name(), "first");
  Doc.RootNodeList()->NodeDelete(1);
  EXPECT_EQ(Doc.GetRoot()->Name(), "second");
  Doc.RootNodeList()->NodeDelete(1);
  EXPECT_EQ(Doc.GetRoot(), nullptr);
  EXPECT_TRUE(Doc.IsEmpty());
}

// ----- copying -------------------------------------------------------------------------------

TEST(DocumentCopy, AssignCopiesSettingsAndTreeButNotEvents) {
  TXmlDocument Source;
  Source.ReadFromString("<r a=\"1\"><c>x</c></r>");
  Source.SetXmlFormat(xfReadable);
  Source.SetIndentString("    ");
  Source.SetParserWarnings(true);
  Source.SetExternalEncoding(seUTF16BE);
  Source.SetFloatSignificantDigits(9);
  Source.SetOnProgress([](TXmlDocument*, Integer) {});
  TXmlDocument Copy;
  Copy.Assign(&Source);
  EXPECT_EQ(Copy.WriteToString(), Source.WriteToString());
  EXPECT_TRUE(Copy.ParserWarnings());
  EXPECT_EQ(Copy.ExternalEncoding(), seUTF16BE);
  EXPECT_EQ(Copy.FloatSignificantDigits(), 6);
  EXPECT_FALSE(Copy.OnProgress());
  EXPECT_EQ(Copy.GetRoot()->GetNodes(0)->Document(), &Copy);
  Copy.GetRoot()->GetNodes(0)->SetValueAsString("changed");
  EXPECT_EQ(Source.GetRoot()->GetNodes(0)->ValueDirect(), "x");
}

TEST(DocumentCopy, AssignFromNodeMakesItsChildrenTheRootLevel) {
  TXmlDocument Source;
  Source.ReadFromString("<r><a/><b/></r>");
  TXmlDocument Doc;
  Doc.Assign(Source.GetRoot());
  EXPECT_EQ(Names(Doc.RootNodeList()), "0:a,0:b");
  EXPECT_EQ(Doc.GetRoot()->Document(), &Doc);
  // A node of this document's own tree is copied before the tree is replaced.
  Doc.ReadFromString("<r><a><x/></a></r>");
  Doc.Assign(Doc.GetRoot()->GetNodes(0));
  EXPECT_EQ(Names(Doc.RootNodeList()), "0:x");
}

TEST(DocumentCopy, SelfAssignAndNilSource) {
  TXmlDocument Doc;
  Doc.ReadFromString("<r><a/></r>");
  Doc.Assign(&Doc);
  EXPECT_EQ(Doc.WriteToString(), "<r><a/></r>\n");
  EXPECT_THROW(Doc.Assign(static_cast<TXmlDocument*>(nullptr)), EConvertError);
}

// ----- events and abort ------------------------------------------------------------------------

TEST(DocumentEvents, NodeNewBeforeContentNodeLoadedAfterIt) {
  TXmlDocument Doc;
  std::vector<std::string> Log;
  Doc.SetOnNodeNew([&](TXmlDocument* Sender, TXmlNode* Node) {
    EXPECT_EQ(Sender, &Doc);
    Log.push_back("new " + Node->Name() + " " + std::to_string(Node->GetAttributeCount()));
  });
  Doc.SetOnNodeLoaded([&](TXmlDocument*, TXmlNode* Node) { Log.push_back("loaded " + Node->Name()); });
  std::vector<Integer> Progress;
  Doc.SetOnProgress([&](TXmlDocument*, Integer Size) { Progress.push_back(Size); });
  Doc.ReadFromString("<a x=\"1\"><b/><!--c--></a>");
  EXPECT_EQ(Log, (std::vector<std::string>{"new a 1", "new b 0", "loaded b", "new Comment 0",
                                           "loaded Comment", "loaded a"}));
  // Start, after b, after the comment, after a, and the size at the end.
  EXPECT_EQ(Progress, (std::vector<Integer>{0, 13, 21, 25, 25}));
}

TEST(DocumentEvents, EnclosingNodesReportLoadedWhenReadingFails) {
  TXmlDocument Doc;
  std::vector<std::string> Loaded;
  Doc.SetOnNodeLoaded([&](TXmlDocument*, TXmlNode* Node) { Loaded.push_back(Node->Name()); });
  EXPECT_THROW(Doc.ReadFromString("<a><b>x</a>"), EFilerError);
  EXPECT_EQ(Loaded, (std::vector<std::string>{"b", "a"}));
}

TEST(DocumentEvents, AbortOnRootKeepsItsTagAndStopsWithoutError) {
  TXmlDocument Doc;
  Doc.SetOnNodeNew([](TXmlDocument* Sender, TXmlNode* Node) {
    if (Node->Name() == "Project") Sender->SetAbortParsing(true);
  });
  int Loaded = 0;
  Doc.SetOnNodeLoaded([&](TXmlDocument*, TXmlNode*) { ++Loaded; });
  Doc.ReadFromString("<?xml version=\"1.0\"?><Project a=\"1\"><B/></Project><!--after-->");
  EXPECT_TRUE(Doc.AbortParsing());
  EXPECT_EQ(Names(Doc.RootNodeList()), "3:xml,0:Project");
  EXPECT_EQ(Doc.GetRoot()->GetAttributeCount(), 1);
  EXPECT_EQ(Doc.GetRoot()->GetNodeCount(), 0);
  EXPECT_EQ(Loaded, 1);  // only the declaration completed
  // The next parse starts unaborted.
  Doc.SetOnNodeNew(nullptr);
  Doc.ReadFromString("<Project/>");
  EXPECT_FALSE(Doc.AbortParsing());
}

TEST(DocumentEvents, AbortInsideElementContentAndInsideDoctypeSubsetEnds) {
  TXmlDocument Doc;
  Doc.SetOnNodeNew([](TXmlDocument* Sender, TXmlNode* Node) {
    if (Node->Name() == "stop") Sender->SetAbortParsing(true);
  });
  Doc.ReadFromString("<a>text<b/><stop/><c/></a>");
  EXPECT_EQ(Doc.GetRoot()->ValueDirect(), "text");
  EXPECT_EQ(Doc.GetRoot()->GetNodeCount(), 2);
  Doc.ReadFromString("<!DOCTYPE d [<!ENTITY stop \"x\"> <!ENTITY more \"y\">]><d/>");
  EXPECT_TRUE(Doc.AbortParsing());
  EXPECT_EQ(Doc.RootNodeList()->GetNodes(0)->GetNodeCount(), 1);
  // Expanding references while the abort flag is still set must not spin either.
  Doc.ReadFromString("<!DOCTYPE d [<!ENTITY e \"<b/>\">]><d>&e;</d><stop/>");
  EXPECT_TRUE(Doc.AbortParsing());
  Doc.ResolveEntityReferences();
  EXPECT_EQ(Doc.GetRoot()->ValueDirect(), "&e;");
}

// ----- encodings --------------------------------------------------------------------------------

TEST(DocumentEncoding, Utf8WithByteOrderMarkRoundTrips) {
  TXmlDocument Doc;
  Load(Doc, cBom + "<a>\xC3\xA9</a>");
  EXPECT_EQ(Doc.ExternalEncoding(), seUTF8);
  EXPECT_EQ(Doc.GetRoot()->ValueDirect(), "\xC3\xA9");
  EXPECT_EQ(Save(Doc), cBom + "<a>\xC3\xA9</a>\n");
}

TEST(DocumentEncoding, DeclarationNamingUtf8SwitchesDecodingAndAddsTheMark) {
  for (const char* Declaration :
       {"<?xml version=\"1.0\" encoding=\"utf-8\"?>", "<?xml version=\"1.0\"?>"}) {
    TXmlDocument Doc;
    Doc.SetExternalEncoding(seUTF16LE);
    Load(Doc, std::string(Declaration) + "<a>\xC3\xA9</a>");
    EXPECT_EQ(Doc.ExternalEncoding(), seUTF8) << Declaration;
    EXPECT_EQ(Doc.GetRoot()->ValueDirect(), "\xC3\xA9") << Declaration;
    EXPECT_EQ(Save(Doc).substr(0, 8), cBom + "<?xml") << Declaration;
  }
}

TEST(DocumentEncoding, AnsiWithoutMarkOrUtf8DeclarationStaysAnsi) {
  TXmlDocument Doc;
  Load(Doc, "<a>\xE9</a>");
  EXPECT_EQ(Doc.ExternalEncoding(), seAnsi);
  EXPECT_EQ(Doc.GetRoot()->ValueDirect(), "\xC3\xA9");
  EXPECT_EQ(Save(Doc), "<a>\xE9</a>\n");
  TXmlDocument Latin;
  Load(Latin, "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><a>\xE9</a>");
  EXPECT_EQ(Latin.ExternalEncoding(), seAnsi);
  EXPECT_EQ(Latin.GetRoot()->ValueDirect(), "\xC3\xA9");
}

TEST(DocumentEncoding, Utf16BothByteOrdersRoundTrip) {
  const std::u16string Text = u"<a x=\"\u00E9\">\u20AC</a>";
  for (bool BigEndian : {false, true}) {
    const std::string Bom = BigEndian ? "\xFE\xFF" : "\xFF\xFE";
    TXmlDocument Doc;
    Load(Doc, Bom + Utf16(Text, BigEndian));
    EXPECT_EQ(Doc.ExternalEncoding(), BigEndian ? seUTF16BE : seUTF16LE);
    EXPECT_EQ(Doc.GetRoot()->ValueDirect(), "\xE2\x82\xAC");
    EXPECT_EQ(Doc.GetRoot()->GetAttributeByName("x"), "\xC3\xA9");
    EXPECT_EQ(Save(Doc), Bom + Utf16(Text + u"\n", BigEndian));
  }
}

TEST(DocumentEncoding, Utf16DeclarationWithoutEncodingKeepsUtf16) {
  TXmlDocument Doc;
  Load(Doc, "\xFF\xFE" + Utf16(u"<?xml version=\"1.0\"?><a>\u00E9</a>", false));
  EXPECT_EQ(Doc.ExternalEncoding(), seUTF16LE);
  EXPECT_EQ(Doc.GetRoot()->ValueDirect(), "\xC3\xA9");
}

TEST(DocumentEncoding, ReadAndWriteStringBypassTheCodec) {
  TXmlDocument Doc;
  Doc.SetExternalEncoding(seUTF16LE);
  Doc.ReadFromString("<?xml version=\"1.0\"?><a>\xC3\xA9</a>");
  EXPECT_EQ(Doc.ExternalEncoding(), seUTF16LE);
  EXPECT_EQ(Doc.WriteToString(), "<?xml version=\"1.0\"?>\n<a>\xC3\xA9</a>\n");
}

TEST(DocumentEncoding, FailedLoadKeepsExternalEncoding) {
  TXmlDocument Doc;
  Doc.SetExternalEncoding(seUTF16BE);
  EXPECT_THROW(Load(Doc, cBom + "<a><b></a>"), EFilerError);
  EXPECT_EQ(Doc.ExternalEncoding(), seUTF16BE);
  // Refused encodings raise the stream error and also keep it.
  EXPECT_THROW(Load(Doc, std::string("\xFF\xFE\x00\x00<\x00\x00\x00", 8)), EStreamError);
  EXPECT_EQ(Doc.ExternalEncoding(), seUTF16BE);
}

TEST(DocumentFiles, SaveAndLoadThroughFiles) {
  TestSupport::TScratchFolder Scratch("vorlane-document");
  const auto Path = Scratch / "document.xml";
  const UnicodeString Name = UTF8ToUnicode(Path.string());
  {
    TXmlDocument Doc("Project");
    Doc.SetXmlFormat(xfReadable);
    Doc.GetRoot()->NodeNew("A")->SetValueAsString("1");
    Doc.SaveToFile(Name);
  }
  const std::string Written = TestSupport::ReadBytes(Path);
  EXPECT_EQ(Written, cBom +
                             "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
                             "<Project>\r\n  <A>1</A>\r\n</Project>\r\n");
  TXmlDocument Again;
  Again.SetExternalEncoding(seAnsi);
  Again.LoadFromFile(Name);
  EXPECT_EQ(Again.ExternalEncoding(), seUTF8);
  EXPECT_EQ(Again.GetRoot()->GetNodes(0)->ValueDirect(), "1");
  // A save that fails leaves the existing file as it was.
  Again.SetExternalEncoding(seEBCDIC);
  EXPECT_THROW(Again.SaveToFile(Name), EStreamError);
  EXPECT_EQ(TestSupport::ReadBytes(Path), Written);
  std::filesystem::remove(Path);
  EXPECT_THROW(Again.LoadFromFile(Name), EFOpenError);
  EXPECT_EQ(Again.GetRoot()->GetNodes(0)->ValueDirect(), "1");
}
