// The writer gathers many nodes per stream write when nobody watches its progress and writes
// node by node when a handler does: both must give the same bytes, also when a node fails.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "common/TestSupport.h"
#include "platform/SysUtils.h"
#include "xml/XmlDocument.h"
#include "xml/XmlNode.h"
#include "xml/XmlText.h"

using namespace Vorlane;
namespace fs = std::filesystem;

namespace {

struct TWritten {
  UTF8String Text;
  bool Failed = false;
  std::vector<Integer> Progress;
};

// Writes ADoc to a stream, with a progress handler when AWatched; a failure keeps what the
// stream received until then.
TWritten WriteDocument(TXmlDocument& ADoc, bool AWatched) {
  TWritten LResult;
  if (AWatched)
    ADoc.SetOnProgress([&](TXmlDocument*, Integer ASize) { LResult.Progress.push_back(ASize); });
  else
    ADoc.SetOnProgress(nullptr);
  TvxUTF8StringStream LStream{UTF8String()};
  try {
    ADoc.SaveToStream(&LStream);
  } catch (const EFilerError&) {
    LResult.Failed = true;
  }
  LResult.Text = LStream.DataString();
  ADoc.SetOnProgress(nullptr);
  return LResult;
}

void ExpectSameBothWays(TXmlDocument& ADoc) {
  const TWritten LBatched = WriteDocument(ADoc, false);
  const TWritten LWatched = WriteDocument(ADoc, true);
  EXPECT_EQ(LBatched.Failed, LWatched.Failed);
  EXPECT_EQ(LBatched.Text, LWatched.Text);
  EXPECT_TRUE(LBatched.Progress.empty());
  // Positions never go back and end at the size written.
  ASSERT_FALSE(LWatched.Progress.empty());
  for (size_t I = 1; I < LWatched.Progress.size(); ++I) EXPECT_LE(LWatched.Progress[I - 1], LWatched.Progress[I]);
  if (!LWatched.Failed) {
    EXPECT_EQ(static_cast<Integer>(LWatched.Text.size()), LWatched.Progress.back());
  }
}

}  // namespace

TEST(WriterBatching, CorpusProjectsWriteTheSameWatchedOrNot) {
  const fs::path LDir = TestSupport::CorpusDir() / "dproj";
  TESTSUPPORT_SKIP_IF_ABSENT(LDir, "project corpus");
  int LWritten = 0;
  for (const auto& LEntry : fs::directory_iterator(LDir)) {
    if (LEntry.path().extension() != ".dproj") continue;
    SCOPED_TRACE(LEntry.path().string());
    TXmlDocument LDoc;
    try {
      LDoc.LoadFromFile(UTF8ToUnicode(LEntry.path().string()));
    } catch (const Exception&) {
      continue;  // not well-formed: never written
    }
    for (TXmlFormatType LFormat : {xfReadable, xfCompact}) {
      LDoc.SetXmlFormat(LFormat);
      ExpectSameBothWays(LDoc);
    }
    ++LWritten;
  }
  EXPECT_GT(LWritten, 0);
}

TEST(WriterBatching, FailingNodeLeavesTheSameBytesBehind) {
  // Failures after a few nodes and after several batches' worth of text; the failing node
  // sits at the top level and deep inside.
  for (int LCount : {1, 3, 5000}) {
    for (bool LDeep : {false, true}) {
      SCOPED_TRACE(std::to_string(LCount) + (LDeep ? " deep" : " top"));
      TXmlDocument LDoc;
      LDoc.SetXmlFormat(xfReadable);
      TXmlNode* LParent = LDoc.GetRoot();
      LParent->SetName("Project");
      for (int I = 0; I < LCount; ++I) {
        TXmlNode* LChild = LParent->NodeNew("PropertyGroup");
        LChild->AttributeAdd("Condition", "'$(Cfg_" + std::to_string(I) + ")'!=''");
        LChild->NodeNew("DCC_Define")->SetValueAsString("DEBUG;" + std::to_string(I));
      }
      TXmlNode* LHost = LDeep ? LParent->GetNodes(LCount / 2)->NodeNew("Inner") : LParent;
      LHost->NodeNew("Bad")->SetElementType(static_cast<TXmlElementType>(15));
      LParent->NodeNew("After");
      const TWritten LBatched = WriteDocument(LDoc, false);
      const TWritten LWatched = WriteDocument(LDoc, true);
      EXPECT_TRUE(LBatched.Failed);
      EXPECT_TRUE(LWatched.Failed);
      EXPECT_EQ(LWatched.Text, LBatched.Text);
      EXPECT_EQ(UTF8String::npos, LBatched.Text.find("After"));
    }
  }
}
