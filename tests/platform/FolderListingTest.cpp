// Kept folder listings answer as fresh listings do; a file stream that is only read keeps its
// position and size as the system reports them.
#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <thread>

#include "platform/Classes.h"
#include "platform/FileSystem.h"
#include "PlatformTestSupport.h"

using namespace Vorlane;
using PlatformTest::S8;
using PlatformTest::TScratch;
namespace fs = std::filesystem;

namespace {

// A result or the error that took its place.
std::vector<std::string> Outcome(const std::function<TStringDynArray()>& AList) {
  try {
    std::vector<std::string> R;
    for (const auto& F : AList()) R.push_back(S8(F));
    return R;
  } catch (const Exception& E) {
    return {std::string("raised ") + E.ClassName() + ": " + S8(E.Message())};
  }
}

// Every mask, folder and search option of the table: the cache answers as a listing does.
void ExpectSameAsListing(TFolderListingCache& ACache, const TScratch& ADir, const std::string& AWhen) {
  static const std::u16string Masks[] = {
      u"Proj.dproj",     u"proj.DPROJ",      u"missing.dproj",  u"Folder.dproj",  u"fifo.dproj",
      u"linkfile.dproj", u"linkfifo.dproj",  u"linkdir.dproj",  u"dangling.dproj", u"outside.dproj",
      u".hidden.dproj",  u"caf\xDCE9.dproj", u"CAF\xDCE9.DPROJ", u"*.dproj",       u"*",
      u"?roj.*",         u"bad/mask"};
  const std::string Folders[] = {"", "Folder.dproj", "missing", "Proj.dproj"};
  for (const auto& Folder : Folders)
    for (const auto& Mask : Masks)
      for (const TSearchOption Option : {soTopDirectoryOnly, soAllDirectories}) {
        const UnicodeString Path = ADir.U(Folder);
        EXPECT_EQ(Outcome([&] { return ACache.GetFiles(Path, Mask, Option); }),
                  Outcome([&] { return TDirectory::GetFiles(Path, Mask, Option); }))
            << AWhen << ": " << Folder << " " << S8(Mask) << (Option == soAllDirectories ? " -s" : "");
      }
}

struct timespec ChangeTime(const fs::path& AFolder) {
  struct stat St;
  EXPECT_EQ(::stat(AFolder.c_str(), &St), 0);
  return St.st_ctim;
}

// A change made within the clock tick of the last listing leaves the change time as it was;
// the cache never keeps listings of folders changed that recently. These tests keep every
// listing, so they move the change time on themselves, as a later tick would.
void MoveChangeTime(const fs::path& AFolder, const struct timespec& ABefore) {
  for (;;) {
    const struct timespec Now = ChangeTime(AFolder);
    if (Now.tv_sec != ABefore.tv_sec || Now.tv_nsec != ABefore.tv_nsec) return;
    ASSERT_EQ(::chmod(AFolder.c_str(), 0755), 0);
  }
}

}  // namespace

TEST(FolderListingCacheTest, KeptListingsAnswerAsFreshListingsThroughChanges) {
  TScratch Dir;
  TScratch Outside;
  for (const char* Name : {"Proj.dproj", "Other.dproj", ".hidden.dproj", "caf\xE9.dproj", "Folder.dproj/Proj.dproj",
                           "Folder.dproj/deep/proj.dproj"})
    Dir.Touch(Name);
  Outside.Touch("target");
  ASSERT_EQ(::mkfifo((Dir / "fifo.dproj").c_str(), 0644), 0);
  for (const auto& [Link, Target] : {std::pair<std::string, fs::path>{"linkfile", "Proj.dproj"}, {"linkfifo", "fifo.dproj"},
                                     {"linkdir", "Folder.dproj"}, {"dangling", "nothing"}, {"outside", Outside / "target"}})
    fs::create_symlink(Target, Dir / (Link + ".dproj"));

  // Each change, and the folder whose entries it touches ("" the top one; none for a change
  // behind a link).
  const auto ToFifo = [&] { fs::remove(Outside / "target"), ::mkfifo((Outside / "target").c_str(), 0644); };
  const auto ToFile = [&] { fs::remove(Outside / "target"), Outside.Touch("target"); };
  const auto Replace = [&] { fs::rename(Dir / "Folder.dproj", Dir / "Old"), Dir.Touch("Folder.dproj/proj.DPROJ"); };
  const struct {
    const char* What;
    std::function<void()> Change;
    const char* Touched;
  } Steps[] = {
      {"nothing changed", [] {}, nullptr},
      {"a name in another case", [&] { Dir.Touch("PROJ.dproj"); }, ""},
      {"a name removed", [&] { fs::remove(Dir / "Proj.dproj"); }, ""},
      {"a file below", [&] { Dir.Touch("Folder.dproj/deep/PROJ.DPROJ"); }, "Folder.dproj/deep"},
      {"a link's target becomes a FIFO", ToFifo, nullptr},
      {"a link's target becomes a file again", ToFile, nullptr},
      {"a dangling link gets its target", [&] { Dir.Touch("nothing"); }, ""},
      {"a folder replaced by another", Replace, ""},
      // Left alone past the settle time: from here on the run's cache keeps the listing too.
      {"a pause", [] { std::this_thread::sleep_for(std::chrono::milliseconds(150)); }, nullptr},
      {"a name added after the pause", [&] { Dir.Touch("Late.dproj"); }, ""},
  };

  // One cache keeps every listing, one only those of folders left alone for a while (only
  // after the pause), one has room for a single small folder.
  TFolderListingCache KeepsAll, AsInARun, Small(2);
  KeepsAll.SetSettleTime(-(Int64(1) << 40));
  Small.SetSettleTime(-(Int64(1) << 40));
  for (TFolderListingCache* Cache : {&KeepsAll, &AsInARun, &Small}) ExpectSameAsListing(*Cache, Dir, "first listing");
  for (const auto& Step : Steps) {
    const std::string Touched = Step.Touched ? Step.Touched : "";
    const struct timespec Before = ChangeTime(Dir / Touched);
    Step.Change();
    if (Step.Touched) MoveChangeTime(Dir / Touched, Before);
    for (TFolderListingCache* Cache : {&KeepsAll, &AsInARun, &Small}) ExpectSameAsListing(*Cache, Dir, Step.What);
  }
}

TEST(FolderListingCacheTest, EveryCorpusProjectNamedOnItsOwn) {
  // A folder left alone for long, as in a console run with one argument per project: the
  // listing is kept and every name, also in other case and with wildcards, finds what a
  // listing finds.
  const fs::path Folder = TestSupport::CorpusDir() / "dproj";
  TESTSUPPORT_SKIP_IF_ABSENT(Folder, "project corpus");
  const UnicodeString Path = UTF8ToUnicode(Folder.string());
  TFolderListingCache Cache;
  size_t Found = 0;
  for (const auto& Entry : fs::directory_iterator(Folder)) {
    const UnicodeString Name = UTF8ToUnicode(Entry.path().filename().string());
    for (const UnicodeString& Mask : {Name, UpperCase(Name), u"?" + Name.substr(1), Name + u"x"}) {
      const std::vector<std::string> Kept = Outcome([&] { return Cache.GetFiles(Path, Mask, soAllDirectories); });
      EXPECT_EQ(Kept, Outcome([&] { return TDirectory::GetFiles(Path, Mask, soAllDirectories); })) << S8(Mask);
      Found += Kept.size();
    }
  }
  EXPECT_GT(Found, 0u);
}

TEST(FileStreamTest, AReadOnlyStreamReportsPositionAndSizeAsTheSystemDoes) {
  // The same steps on a stream opened for reading only (which keeps its position) and on one
  // opened for reading and writing (which asks the system every time).
  TScratch Dir;
  Dir.Touch("f.bin", "0123456789");
  TFileStream Kept(Dir.U("f.bin"), fmOpenRead | fmShareDenyWrite);
  TFileStream Asked(Dir.U("f.bin"), fmOpenReadWrite);
  struct TStep {
    const char* What;
    std::function<Int64(TStream&)> Run;
  };
  const TStep Steps[] = {
      {"size", [](TStream& S) { return S.Size(); }},
      {"read", [](TStream& S) { char B[4]; return Int64(S.Read(B, 4)) + S.Position(); }},
      {"seek to the same place", [](TStream& S) { return S.Seek(4, soBeginning); }},
      {"seek from here and the end", [](TStream& S) { return S.Seek(-3, soCurrent) * 100 + S.Seek(-2, soEnd); }},
      {"read past the end", [](TStream& S) { char B[8]; return Int64(S.Read(B, 8)) * 100 + S.Position(); }},
      {"failed seek", [](TStream& S) { return S.Seek(-5, soBeginning) * 100 + S.Position(); }},
      {"size after the file grew", [&](TStream& S) {
         if (&S == &Kept) Dir.Touch("f.bin", "0123456789abcdef");
         return S.Seek(20, soBeginning) * 100 + S.Size() + S.Position();
       }},
  };
  for (const TStep& Step : Steps) {
    const Int64 FromKept = Step.Run(Kept);
    EXPECT_EQ(FromKept, Step.Run(Asked)) << Step.What;
  }
}

#endif
