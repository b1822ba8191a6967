#include <gtest/gtest.h>

#include <sys/stat.h>

#include <iterator>

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#undef DeleteFile
#endif

#include "platform/Classes.h"
#include "platform/FileSystem.h"
#include "PlatformTestSupport.h"

using namespace Vorlane;
using PlatformTest::S8;
using PlatformTest::TScratch;
namespace fs = std::filesystem;

namespace {

// The names below ADir, written with '/' whatever the system's delimiter.
std::vector<std::string> Relative(const TStringDynArray& AFiles, const TScratch& ADir) {
  std::vector<std::string> R;
  const std::string Base = ADir.Str() + PlatformTest::Native("/");
  for (const auto& F : AFiles) {
    std::string S = S8(F);
    if (S.rfind(Base, 0) == 0) S = S.substr(Base.size());
#ifdef _WIN32
    for (char& C : S)
      if (C == '\\') C = '/';
#endif
    R.push_back(S);
  }
  return R;
}

#ifdef _WIN32
// Wine runs these tests on Linux file systems, which keep no settable creation time, and its
// replace is a plain rename that carries nothing over; what depends on those is checked on
// Windows itself.
bool UnderWine() {
  HMODULE Ntdll = ::GetModuleHandleW(L"ntdll.dll");
  return Ntdll && ::GetProcAddress(Ntdll, "wine_get_version");
}
#endif

}  // namespace

TEST(MaskTest, StarAndQuestionMarkIgnoreCase) {
  EXPECT_TRUE(MatchesMask(u"App.DPROJ", u"*.dproj"));
  EXPECT_TRUE(MatchesMask(u"app.dproj", u"A??.DPROJ"));
  EXPECT_FALSE(MatchesMask(u"app.dproj", u"a?.dproj"));
  EXPECT_FALSE(MatchesMask(u"app.dproj.user", u"*.dproj"));
  EXPECT_TRUE(MatchesMask(u"a.b.c", u"*.c"));
  EXPECT_TRUE(MatchesMask(u"abcabd", u"*ab?"));
  EXPECT_TRUE(MatchesMask(u"x", u"*"));
  EXPECT_FALSE(MatchesMask(u"x", u""));
  // "*.*" matches names without a dot too, as on Windows.
  EXPECT_TRUE(MatchesMask(u"README", u"*.*"));
  EXPECT_TRUE(MatchesMask(u"App", u"App.*"));
  EXPECT_FALSE(MatchesMask(u"Apps", u"App.*"));
  EXPECT_TRUE(MatchesMask(u"\u00C9t\u00E9.dproj", u"\u00E9T\u00C9.*"));
}

TEST(FileSystemTest, ExistenceFolderCreationDeleteAndRename) {
  TScratch Dir;
  Dir.Touch("file.txt");
  EXPECT_TRUE(FileExists(Dir.U("file.txt")));
  EXPECT_FALSE(FileExists(Dir.U()));
  EXPECT_FALSE(FileExists(Dir.U("missing.txt")));
  EXPECT_FALSE(FileExists(u""));
  EXPECT_TRUE(DirectoryExists(Dir.U()));
  EXPECT_FALSE(DirectoryExists(Dir.U("file.txt")));

  EXPECT_TRUE(ForceDirectories(Dir.U("a/b/c")));
  EXPECT_TRUE(DirectoryExists(Dir.U("a/b/c")));
  EXPECT_TRUE(ForceDirectories(Dir.U("a/b/c/")));  // already there
  // A file in the way cannot become a folder.
  EXPECT_FALSE(ForceDirectories(Dir.U("file.txt/sub")));
  EXPECT_FALSE(ForceDirectories(u""));

  Dir.Touch("other.txt", "other");
  EXPECT_FALSE(RenameFile(Dir.U("file.txt"), Dir.U("other.txt")));  // never replaces
  EXPECT_EQ(PlatformTest::ReadBytes(Dir.Path() / "other.txt"), "other");
  EXPECT_TRUE(RenameFile(Dir.U("file.txt"), Dir.U("a/b/moved.txt")));
  EXPECT_TRUE(FileExists(Dir.U("a/b/moved.txt")));
  EXPECT_FALSE(FileExists(Dir.U("file.txt")));

  EXPECT_TRUE(DeleteFile(Dir.U("a/b/moved.txt")));
  EXPECT_FALSE(DeleteFile(Dir.U("a/b/moved.txt")));
  EXPECT_FALSE(DeleteFile(Dir.U("a")));  // folders are not files
}

TEST(FileSystemTest, FileKindIsToldWithoutOpeningTheName) {
  TScratch Dir;
  Dir.Touch("file.txt");
  std::vector<std::pair<UnicodeString, TFileKind>> Cases = {
      {Dir.U("file.txt"), fkRegular}, {Dir.U(), fkDirectory}, {Dir.U("missing.txt"), fkNone}, {u"", fkNone}};
#ifdef _WIN32
  for (const char16_t* Device : {u"NUL", u"com1.txt", u"\\\\.\\pipe\\vorlane", u"CONOUT$"}) Cases.push_back({Device, fkOther});
#else
  ASSERT_EQ(::mkfifo(Dir.Str("fifo").c_str(), 0644), 0);  // opened, it would wait for a writer
  Cases.insert(Cases.end(), {{Dir.U("fifo"), fkOther}, {u"/dev/null", fkOther}});
#endif
  for (const auto& [Name, Kind] : Cases) EXPECT_EQ(GetFileKind(Name), Kind) << S8(Name);
}

// The project save relies on these: a replacing move that never leaves a half file, links
// written through rather than cut loose, and the old file's access rights kept.
TEST(FileSystemTest, ReplacingMoveKeepsTheTargetWholeOrReplacesIt) {
  TScratch Dir;
  Dir.Touch("target.txt", "old");
  Dir.Touch("new.tmp", "new");
  EXPECT_TRUE(MoveFileOver(Dir.U("new.tmp"), Dir.U("target.txt")));
  EXPECT_EQ(PlatformTest::ReadBytes(Dir.Path() / "target.txt"), "new");
  EXPECT_FALSE(FileExists(Dir.U("new.tmp")));
  // A failed move leaves the target as it was.
  EXPECT_FALSE(MoveFileOver(Dir.U("new.tmp"), Dir.U("target.txt")));
  EXPECT_EQ(PlatformTest::ReadBytes(Dir.Path() / "target.txt"), "new");
  // A target that does not exist yet is simply created.
  Dir.Touch("second.tmp", "second");
  EXPECT_TRUE(MoveFileOver(Dir.U("second.tmp"), Dir.U("fresh.txt")));
  EXPECT_EQ(PlatformTest::ReadBytes(Dir.Path() / "fresh.txt"), "second");
  // Nothing is left behind beside the two files.
  EXPECT_EQ(std::distance(fs::directory_iterator(Dir.Path()), fs::directory_iterator()), 2);
  EXPECT_EQ(S8(ResolveFileLink(Dir.U("target.txt"))), Dir.Str("target.txt"));
  EXPECT_EQ(S8(ResolveFileLink(Dir.U("missing"))), Dir.Str("missing"));
  EXPECT_FALSE(CopyFileAccess(Dir.U("missing"), Dir.U("target.txt")));
}

#ifndef _WIN32
// POSIX: the access rights are the mode bits, and links are symbolic links (Windows needs a
// privilege to create those, so they are checked here only).
TEST(FileSystemTest, AccessRightsAreModeBitsAndLinksAreWrittenThrough) {
  TScratch Dir;
  Dir.Touch("target.txt", "old");
  Dir.Touch("new.tmp", "new");
  ::chmod(Dir.Str("target.txt").c_str(), 0640);
  EXPECT_TRUE(CopyFileAccess(Dir.U("target.txt"), Dir.U("new.tmp")));
  struct stat St;
  ASSERT_EQ(::stat(Dir.Str("new.tmp").c_str(), &St), 0);
  EXPECT_EQ(St.st_mode & 07777, 0640u);

  fs::create_symlink(Dir.Path() / "target.txt", Dir.Path() / "link.txt");
  EXPECT_EQ(S8(ResolveFileLink(Dir.U("link.txt"))), Dir.Str("target.txt"));
}
#else
// Windows: the replaced file keeps its identity, so a save leaves its attributes and its
// creation time as they were; the access rights copied are the attributes.
TEST(FileSystemTest, ReplacingMoveKeepsAttributesAndCreationTime) {
  TScratch Dir;
  Dir.Touch("copy.tmp", "x");
  Dir.Touch("target.txt", "old");
  ASSERT_EQ(FileSetAttr(Dir.U("target.txt"), faHidden), 0);
  EXPECT_TRUE(CopyFileAccess(Dir.U("target.txt"), Dir.U("copy.tmp")));
  EXPECT_NE(FileGetAttr(Dir.U("copy.tmp")) & faHidden, 0);
  EXPECT_TRUE(DeleteFile(Dir.U("copy.tmp")));
  if (UnderWine()) GTEST_SKIP() << "wine's replace keeps neither attributes nor creation time";

  Dir.Touch("new.tmp", "new");
  // 2001-02-03 04:05:06 UTC in 100-ns ticks since 1601.
  const Int64 Stamp = (981173106LL + 11644473600LL) * 10000000LL;
  ASSERT_TRUE(SetFileCreationTime(Dir.U("target.txt"), Stamp));
  EXPECT_TRUE(MoveFileOver(Dir.U("new.tmp"), Dir.U("target.txt")));
  EXPECT_EQ(PlatformTest::ReadBytes(Dir.Path() / "target.txt"), "new");
  EXPECT_NE(FileGetAttr(Dir.U("target.txt")) & faHidden, 0);
  TFileTimes T;
  ASSERT_TRUE(GetFileTimes(Dir.U("target.txt"), T));
  EXPECT_EQ(T.CreationTime, Stamp);
  EXPECT_EQ(std::distance(fs::directory_iterator(Dir.Path()), fs::directory_iterator()), 1);
}
#endif

#ifndef _WIN32
TEST(FileSystemTest, ReadOnlyIsTheAbsenceOfWritePermission) {
  TScratch Dir;
  Dir.Touch("f.txt");
  const std::string F = Dir.Str("f.txt");
  ::chmod(F.c_str(), 0640);
  Integer Attr = FileGetAttr(Dir.U("f.txt"));
  EXPECT_EQ(Attr & faReadOnly, 0);
  EXPECT_EQ(Attr & faDirectory, 0);
  EXPECT_NE(FileGetAttr(Dir.U()) & faDirectory, 0);
  EXPECT_EQ(FileGetAttr(Dir.U("missing")), faInvalid);

  EXPECT_EQ(FileSetAttr(Dir.U("f.txt"), Attr | faReadOnly), 0);
  struct stat St;
  ::stat(F.c_str(), &St);
  EXPECT_EQ(St.st_mode & 0777, 0440u);
  EXPECT_NE(FileGetAttr(Dir.U("f.txt")) & faReadOnly, 0);
  // Clearing read-only gives the owner write permission back, nothing more.
  EXPECT_EQ(FileSetAttr(Dir.U("f.txt"), Attr), 0);
  ::stat(F.c_str(), &St);
  EXPECT_EQ(St.st_mode & 0777, 0640u);
  // A round trip of the attributes keeps the mode bits of a writable file.
  ::chmod(F.c_str(), 0664);
  EXPECT_EQ(FileSetAttr(Dir.U("f.txt"), FileGetAttr(Dir.U("f.txt"))), 0);
  ::stat(F.c_str(), &St);
  EXPECT_EQ(St.st_mode & 0777, 0664u);
  EXPECT_NE(FileSetAttr(Dir.U("missing"), 0), 0);
}

TEST(FileSystemTest, FileTimesRoundTripExactly) {
  TScratch Dir;
  Dir.Touch("f.txt");
  TFileTimes T;
  ASSERT_TRUE(GetFileTimes(Dir.U("f.txt"), T));
  EXPECT_GT(T.LastWriteTime, 0);
  // 2001-02-03 04:05:06.1234567 UTC in 100-ns ticks since 1601.
  const Int64 Stamp = (981173106LL + 11644473600LL) * 10000000LL + 1234567;
  EXPECT_TRUE(SetFileLastWriteTime(Dir.U("f.txt"), Stamp));
  EXPECT_TRUE(SetFileLastAccessTime(Dir.U("f.txt"), Stamp + 10000000LL));
  TFileTimes After;
  ASSERT_TRUE(GetFileTimes(Dir.U("f.txt"), After));
  EXPECT_EQ(After.LastWriteTime, Stamp);
  EXPECT_EQ(After.LastAccessTime, Stamp + 10000000LL);
  struct stat St;
  ::stat(Dir.Str("f.txt").c_str(), &St);
  EXPECT_EQ(St.st_mtim.tv_sec, 981173106);
  EXPECT_EQ(St.st_mtim.tv_nsec, 123456700);
  // No creation time can be set on POSIX; the call says so.
  EXPECT_FALSE(SetFileCreationTime(Dir.U("f.txt"), Stamp));
  EXPECT_FALSE(GetFileTimes(Dir.U("missing"), After));
  EXPECT_FALSE(SetFileLastWriteTime(Dir.U("missing"), Stamp));
  const Int64 Now = CurrentFileTime();
  EXPECT_GT(Now, Stamp);
}
#else
TEST(FileSystemTest, AttributesAreTheSystemsOwn) {
  TScratch Dir;
  Dir.Touch("f.txt");
  const Integer Attr = FileGetAttr(Dir.U("f.txt"));
  EXPECT_EQ(Attr & (faReadOnly | faDirectory), 0);
  EXPECT_NE(FileGetAttr(Dir.U()) & faDirectory, 0);
  EXPECT_EQ(FileGetAttr(Dir.U("missing")), faInvalid);
  // (Wine reports every file as archived, so that bit is not compared.)
  for (Integer Set : std::initializer_list<Integer>{faReadOnly, faHidden, faReadOnly | faHidden, faNormal}) {
    SCOPED_TRACE(Set);
    EXPECT_EQ(FileSetAttr(Dir.U("f.txt"), Set), 0);
    EXPECT_EQ(FileGetAttr(Dir.U("f.txt")) & (faReadOnly | faHidden), Set & (faReadOnly | faHidden));
  }
  // A read-only file cannot be deleted until the attribute is cleared.
  ASSERT_EQ(FileSetAttr(Dir.U("f.txt"), faReadOnly), 0);
  EXPECT_FALSE(DeleteFile(Dir.U("f.txt")));
  EXPECT_EQ(FileSetAttr(Dir.U("f.txt"), faArchive), 0);
  EXPECT_TRUE(DeleteFile(Dir.U("f.txt")));
  EXPECT_NE(FileSetAttr(Dir.U("missing"), 0), 0);
}

TEST(FileSystemTest, AllThreeFileTimesRoundTripExactly) {
  TScratch Dir;
  Dir.Touch("f.txt");
  // 2001-02-03 04:05:06.1234567 UTC in 100-ns ticks since 1601.
  const Int64 Stamp = (981173106LL + 11644473600LL) * 10000000LL + 1234567;
  struct Case {
    bool (*Set)(const UnicodeString&, Int64);
    Int64 TFileTimes::*Field;
    Int64 Value;
  };
  std::vector<Case> Cases = {Case{SetFileLastWriteTime, &TFileTimes::LastWriteTime, Stamp + 10000000LL},
                             Case{SetFileLastAccessTime, &TFileTimes::LastAccessTime, Stamp + 20000000LL}};
  // Wine's creation time is the Linux status-change time, which no call sets.
  if (!UnderWine()) Cases.push_back(Case{SetFileCreationTime, &TFileTimes::CreationTime, Stamp});
  for (const Case& C : Cases) {
    TFileTimes Before, After;
    ASSERT_TRUE(GetFileTimes(Dir.U("f.txt"), Before));
    EXPECT_TRUE(C.Set(Dir.U("f.txt"), C.Value));
    ASSERT_TRUE(GetFileTimes(Dir.U("f.txt"), After));
    EXPECT_EQ(After.*C.Field, C.Value);
    // Each setter touches its own time only.
    for (Int64 TFileTimes::*Other : {&TFileTimes::CreationTime, &TFileTimes::LastWriteTime}) {
      if (Other == C.Field || (UnderWine() && Other == &TFileTimes::CreationTime)) continue;
      EXPECT_EQ(After.*Other, Before.*Other);
    }
    EXPECT_FALSE(C.Set(Dir.U("missing"), C.Value));
    EXPECT_FALSE(C.Set(Dir.U("f.txt"), 0));  // 0 is "unknown", never written
  }
  TFileTimes Missing;
  EXPECT_FALSE(GetFileTimes(Dir.U("missing"), Missing));
  EXPECT_GT(CurrentFileTime(), Stamp);
}
#endif

TEST(EnumerationTest, ListingIsSortedAndRecursionIsDepthFirst) {
  TScratch Dir;
  for (const char* F : {"z.dproj", "B.DPROJ", "a.dproj", "c.txt", "sub/d.dproj", "sub/deeper/e.dproj",
                        "Sub2/f.dproj", "ab.dproj"})
    Dir.Touch(F);
  fs::create_directories(Dir.Path() / "empty");

  EXPECT_EQ(Relative(TDirectory::GetFiles(Dir.U(), u"*.dproj"), Dir),
            (std::vector<std::string>{"a.dproj", "ab.dproj", "B.DPROJ", "z.dproj"}));
  EXPECT_EQ(Relative(TDirectory::GetFiles(Dir.U(), u"?.dproj"), Dir),
            (std::vector<std::string>{"a.dproj", "B.DPROJ", "z.dproj"}));
  // Each sub-folder's matches stand where the sub-folder stands in its parent's listing.
  EXPECT_EQ(Relative(TDirectory::GetFiles(Dir.U(), u"*.dproj", soAllDirectories), Dir),
            (std::vector<std::string>{"a.dproj", "ab.dproj", "B.DPROJ", "sub/d.dproj", "sub/deeper/e.dproj",
                                      "Sub2/f.dproj", "z.dproj"}));
  // Folders are never matches themselves.
  EXPECT_EQ(Relative(TDirectory::GetFiles(Dir.U(), u"s*"), Dir), std::vector<std::string>{});
  EXPECT_EQ(Relative(TDirectory::GetFiles(Dir.U("sub/"), u"*.*"), Dir), std::vector<std::string>{"sub/d.dproj"});
  EXPECT_EQ(Relative(TDirectory::GetDirectories(Dir.U()), Dir),
            (std::vector<std::string>{"empty", "sub", "Sub2"}));
}

TEST(EnumerationTest, MissingFolderAndBadMaskRaise) {
  TScratch Dir;
  Dir.Touch("file.txt");
  try {
    TDirectory::GetFiles(Dir.U("missing"), u"*.dproj");
    ADD_FAILURE() << "no error for a missing folder";
  } catch (const EDirectoryNotFoundException& E) {
    EXPECT_EQ(S8(E.Message()), "The specified path was not found");
  }
  EXPECT_THROW(TDirectory::GetFiles(Dir.U("file.txt"), u"*"), EDirectoryNotFoundException);
  EXPECT_THROW(TDirectory::GetFiles(u"", u"*"), EDirectoryNotFoundException);
  EXPECT_THROW(TDirectory::GetFiles(Dir.U(), u"a/b"), EArgumentException);
}

#ifndef _WIN32
TEST(EnumerationTest, LinkedFoldersAreNotFollowed) {
  TScratch Dir;
  Dir.Touch("real/a.dproj");
  fs::create_directory_symlink(Dir.Path() / "real", Dir.Path() / "real/loop");
  fs::create_symlink(Dir.Path() / "real/a.dproj", Dir.Path() / "link.dproj");
  // Names that match the mask but are no files: a folder, links to a folder, to nothing and to
  // a FIFO, a FIFO.
  fs::create_directory(Dir.Path() / "folder.dproj");
  fs::create_directory_symlink(Dir.Path() / "real", Dir.Path() / "dir.dproj");
  fs::create_symlink(Dir.Path() / "gone", Dir.Path() / "gone.dproj");
  ASSERT_EQ(0, ::mkfifo((Dir.Path() / "pipe.dproj").c_str(), 0644));
  fs::create_symlink(Dir.Path() / "pipe.dproj", Dir.Path() / "pipelink.dproj");
  EXPECT_EQ(Relative(TDirectory::GetFiles(Dir.U(), u"*.dproj", soAllDirectories), Dir),
            (std::vector<std::string>{"link.dproj", "real/a.dproj"}));
  EXPECT_EQ(Relative(TDirectory::GetFiles(Dir.U(), u"*.dproj"), Dir), (std::vector<std::string>{"link.dproj"}));
  EXPECT_EQ(Relative(TDirectory::GetDirectories(Dir.U()), Dir), (std::vector<std::string>{"folder.dproj", "real"}));
}
#endif

TEST(WholeFileTextTest, ReadDetectsByteOrderMarksAndWriteIsUtf8WithoutOne) {
  TScratch Dir;
  Dir.Touch("utf8.txt", "\xEF\xBB\xBF" "caf\xC3\xA9");
  Dir.Touch("utf16le.txt", std::string("\xFF\xFE" "c\0\xE9\0", 6));
  Dir.Touch("utf16be.txt", std::string("\xFE\xFF\0c\0\xE9", 6));
  Dir.Touch("ansi.txt", "caf\xE9 \x80");
  EXPECT_EQ(TFile::ReadAllText(Dir.U("utf8.txt")), u"caf\u00E9");
  EXPECT_EQ(TFile::ReadAllText(Dir.U("utf16le.txt")), u"c\u00E9");
  EXPECT_EQ(TFile::ReadAllText(Dir.U("utf16be.txt")), u"c\u00E9");
  EXPECT_EQ(TFile::ReadAllText(Dir.U("ansi.txt")), u"caf\u00E9 \u20AC");
  EXPECT_THROW(TFile::ReadAllText(Dir.U("missing.txt")), EFOpenError);

  TFile::WriteAllText(Dir.U("out.txt"), u"a\r\n\u00E9");
  EXPECT_EQ(PlatformTest::ReadBytes(Dir.Path() / "out.txt"), "a\r\n\xC3\xA9");
  TFile::WriteAllText(Dir.U("out16.txt"), u"a", TEncoding::Unicode());
  EXPECT_EQ(PlatformTest::ReadBytes(Dir.Path() / "out16.txt"), std::string("\xFF\xFE" "a\0", 4));
  EXPECT_THROW(TFile::WriteAllText(Dir.U("missing/out.txt"), u"a"), EFCreateError);
}
