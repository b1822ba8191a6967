// Nodes and their lists come from chunk pools: trees must survive being built on one thread and
// freed on another (also after the building thread ended, and while others build), and nodes
// of a derived class of another size must still be built and freed whole.
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "platform/Classes.h"
#include "xml/XmlDocument.h"
#include "xml/XmlNode.h"

using namespace Vorlane;

namespace {

// Enough nodes, attribute lists and child lists to fill several chunks of each kind; a large
// one takes the pool past the size from which it maps its memory in larger regions.
std::unique_ptr<TXmlDocument> BuildDocument(int ATag, int AItems = 3000) {
  auto Doc = std::make_unique<TXmlDocument>();
  TXmlNode* Root = Doc->GetRoot();
  Root->SetName("root");
  for (int I = 0; I < AItems; ++I) {
    TXmlNode* Item = Root->NodeNew("item");
    Item->AttributeAdd("n", I);
    Item->NodeNew("leaf")->SetValueAsInteger(I * ATag);
  }
  return Doc;
}

bool Intact(TXmlDocument& ADoc, int ATag, int AItems = 3000) {
  TXmlNode* Root = ADoc.GetRoot();
  if (Root->GetNodeCount() != AItems) return false;
  for (Integer I = 0; I < AItems; I += 97) {
    TXmlNode* Item = Root->GetNodes(I);
    if (Item->GetAttributeByName("n") != std::to_string(I) || Item->GetNodes(0)->GetValueAsInteger() != I * ATag)
      return false;
  }
  return true;
}

// Resident bytes of the process, where the system tells; 0 elsewhere.
long long Resident() {
  long long Pages = 0, Rss = 0;
  std::FILE* Statm = std::fopen("/proc/self/statm", "r");
  if (Statm == nullptr) return 0;
  if (std::fscanf(Statm, "%lld %lld", &Pages, &Rss) != 2) Rss = 0;
  std::fclose(Statm);
  return Rss * 4096;
}

int LiveWide = 0;

class TWideNode : public TXmlNode {
 public:
  explicit TWideNode(TXmlDocument* ADocument) : TXmlNode(ADocument) { ++LiveWide; }
  ~TWideNode() override { --LiveWide; }
  char Extra[200] = {};
};

}  // namespace

TEST(NodePool, TreesChangeThreadsBetweenBuildingAndFreeing) {
  // Built by threads that end before their trees are freed here, and built here to be freed
  // by threads, with new trees built here in between.
  std::vector<std::unique_ptr<TXmlDocument>> Docs(4);
  std::vector<std::thread> Builders;
  for (int T = 0; T < 4; ++T) Builders.emplace_back([&Docs, T] { Docs[T] = BuildDocument(T + 1); });
  for (std::thread& B : Builders) B.join();
  auto Local = BuildDocument(7);
  for (int T = 0; T < 4; ++T) {
    EXPECT_TRUE(Intact(*Docs[T], T + 1));
    Docs[T].reset();
  }
  std::vector<std::unique_ptr<TXmlDocument>> Mine;
  for (int T = 0; T < 4; ++T) Mine.push_back(BuildDocument(T + 10));
  std::vector<std::thread> Freers;
  for (int T = 0; T < 4; ++T)
    Freers.emplace_back([&Mine, T] {
      EXPECT_TRUE(Intact(*Mine[T], T + 10));
      Mine[T].reset();
    });
  for (std::thread& F : Freers) F.join();
  EXPECT_TRUE(Intact(*Local, 7));
}

// Emptied chunks are kept for later documents: threads that build and free at the same time
// take each other's, and a reused chunk must hold nothing of its earlier objects.
TEST(NodePool, ChunksFreedOnOneThreadServeAnotherAtOnce) {
  std::vector<std::thread> Workers;
  for (int T = 0; T < 4; ++T)
    Workers.emplace_back([T] {
      std::unique_ptr<TXmlDocument> Kept;
      for (int Round = 0; Round < 12; ++Round) {
        auto Doc = BuildDocument(T * 100 + Round);
        if (Kept) EXPECT_TRUE(Intact(*Kept, T * 100 + Round - 1));
        Kept = std::move(Doc);
      }
      EXPECT_TRUE(Intact(*Kept, T * 100 + 11));
    });
  for (std::thread& W : Workers) W.join();
  // Two large trees at once, freed in the other order than built, then one more.
  auto First = BuildDocument(3, 150000);
  auto Second = BuildDocument(5, 150000);
  EXPECT_TRUE(Intact(*First, 3, 150000));
  Second.reset();
  EXPECT_TRUE(Intact(*First, 3, 150000));
  First.reset();
  EXPECT_TRUE(Intact(*BuildDocument(9, 150000), 9, 150000));
}

TEST(NodePool, NodesOfALargerClassLiveAmongPlainOnes) {
  {
    TXmlDocument Doc;
    TXmlNode* Root = Doc.GetRoot();
    for (int I = 0; I < 1000; ++I) {
      Root->NodeNew("plain");
      auto Wide = std::make_unique<TWideNode>(&Doc);
      Wide->SetName("wide");
      Wide->Extra[199] = 'x';
      ASSERT_GE(Root->NodeAdd(Wide.get()), 0);
      Wide.release();
    }
    EXPECT_EQ(1000, LiveWide);
    // Deleting some in the middle, the rest with the document.
    for (Integer I = Root->GetNodeCount() - 1; I >= 0; I -= 3) Root->NodeDelete(I);
  }
  EXPECT_EQ(0, LiveWide);
}

// A freed tree's chunks stay with the process up to the spare memory limit and go back to the
// system beyond it, also those a thread was filling when it ended. Only where the pool is used
// and the system reports resident memory.
TEST(NodePool, FreedChunksAreKeptUpToTheSpareLimit) {
#if defined(__SANITIZE_ADDRESS__) || defined(_WIN32)
  GTEST_SKIP() << "nodes come from the heap here";
#endif
  if (Resident() == 0) GTEST_SKIP() << "no resident size to read";
  const size_t Before = SpareMemoryLimit();
  for (const size_t Limit : {size_t{0}, cBatchSpareMemory}) {
    SetSpareMemoryLimit(Limit);
    auto Doc = BuildDocument(1, 60000);
    const long long Built = Resident();
    Doc.reset();
    const long long GivenBack = Built - Resident();
    if (Limit == 0)
      EXPECT_GT(GivenBack, 8 << 20);
    else
      EXPECT_LT(GivenBack, 4 << 20);
  }
  // Threads that built and freed a tree each and ended keep none of the chunks they filled.
  SetSpareMemoryLimit(0);
  std::thread([] { BuildDocument(0); }).join();
  const long long Start = Resident();
  for (int T = 1; T <= 64; ++T) std::thread([T] { BuildDocument(T); }).join();
  EXPECT_LT(Resident() - Start, 1 << 20);
  SetSpareMemoryLimit(Before);
}
