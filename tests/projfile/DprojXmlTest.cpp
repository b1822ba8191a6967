#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <string>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "projfile/DprojXml.h"
#include "tests/projfile/DprojFileTestSupport.h"
#include "xml/XmlNode.h"

using namespace Vorlane;
using namespace ProjFileTest;

namespace {

const std::string cBom = "\xEF\xBB\xBF";
const std::string cEmptyProject =
    cBom + "<Project xmlns=\"http://schemas.microsoft.com/developer/msbuild/2003\"></Project>\r\n";

// A small project exactly as the project document writes it.
const std::string cCanonical = cBom +
    "<Project xmlns=\"http://schemas.microsoft.com/developer/msbuild/2003\">\r\n"
    "    <PropertyGroup>\r\n"
    "        <ProjectVersion>19.5</ProjectVersion>\r\n"
    "        <Config Condition=\"'$(Config)'==''\">Debug</Config>\r\n"
    "    </PropertyGroup>\r\n"
    "    <ItemGroup>\r\n"
    "        <DCCReference Include=\"Unit1.pas\"/>\r\n"
    "    </ItemGroup>\r\n"
    "</Project>\r\n";

#ifndef _WIN32
struct TStamp {
  mode_t Mode;
  timespec Access;
  timespec Write;
  ino_t Inode;
};

TStamp StampOf(const fs::path& APath) {
  struct stat St {};
  EXPECT_EQ(0, ::stat(APath.c_str(), &St));
  return {static_cast<mode_t>(St.st_mode & 07777), St.st_atim, St.st_mtim, St.st_ino};
}

// Puts both times well into the past, with odd nanoseconds, so that any rewrite or sloppy
// restore shows.
void AgeFile(const fs::path& APath) {
  timespec Times[2];
  Times[0].tv_sec = 1000000000;  // 2001
  Times[0].tv_nsec = 123456700;
  Times[1].tv_sec = 1100000000;  // 2004
  Times[1].tv_nsec = 987654300;
  ASSERT_EQ(0, ::utimensat(AT_FDCWD, APath.c_str(), Times, 0));
}

bool SameTime(const timespec& A, const timespec& B) {
  return A.tv_sec == B.tv_sec && A.tv_nsec == B.tv_nsec;
}
#endif

}  // namespace

TEST(DprojXml, NewDocumentIsAnEmptyProject) {
  TDprojXml Xml;
  EXPECT_EQ(xfReadable, Xml.XmlFormat());
  EXPECT_EQ("    ", Xml.IndentString());
  EXPECT_EQ(nullptr, Xml.RootNodeList()->NodeByElementType(xeDeclaration));
  ASSERT_NE(nullptr, Xml.GetRoot());
  EXPECT_EQ("Project", Xml.GetRoot()->Name());

  TTempDir Dir;
  Xml.SaveToFile(U16(Dir / "new.dproj"));
  EXPECT_EQ(cEmptyProject, ReadBytes(Dir / "new.dproj"));
}

TEST(DprojXml, ClearAfterLoadGivesEmptyProjectAgain) {
  TTempDir Dir;
  WriteBytes(Dir / "a.dproj", cCanonical);
  TDprojXml Xml;
  Xml.LoadFromFile(U16(Dir / "a.dproj"));
  Xml.Clear();
  Xml.SaveToFile(U16(Dir / "b.dproj"));
  EXPECT_EQ(cEmptyProject, ReadBytes(Dir / "b.dproj"));
}

TEST(DprojXml, LoadedDeclarationIsWrittenBack) {
  TTempDir Dir;
  const std::string WithDeclaration = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n" + cCanonical.substr(3);
  WriteBytes(Dir / "a.dproj", WithDeclaration);
  TDprojXml Xml;
  Xml.LoadFromFile(U16(Dir / "a.dproj"));
  Xml.SaveToFile(U16(Dir / "a.dproj"));
  // The declaration names UTF-8, so the file gets its byte-order mark; the declaration stays.
  EXPECT_EQ(cBom + WithDeclaration, ReadBytes(Dir / "a.dproj"));
}

TEST(DprojXml, RenderingDifferencesAreWrittenWhole) {
  TTempDir Dir;
  // Other indentation and LF line ends: rewritten in the document's own layout.
  WriteBytes(Dir / "layout.dproj", cBom +
      "<Project xmlns=\"http://schemas.microsoft.com/developer/msbuild/2003\">\n"
      "  <PropertyGroup>\n"
      "    <ProjectVersion>19.5</ProjectVersion>\n"
      "    <Config Condition=\"'$(Config)'==''\">Debug</Config>\n"
      "  </PropertyGroup>\n"
      "  <ItemGroup>\n"
      "    <DCCReference Include=\"Unit1.pas\"></DCCReference>\n"
      "  </ItemGroup>\n"
      "</Project>\n");
  TDprojXml Xml;
  Xml.LoadFromFile(U16(Dir / "layout.dproj"));
  Xml.SaveToFile(U16(Dir / "layout.dproj"));
  EXPECT_EQ(cCanonical, ReadBytes(Dir / "layout.dproj"));

  // The file lacks only the final LF: same prefix, one byte shorter, still rewritten.
  WriteBytes(Dir / "short.dproj", cCanonical.substr(0, cCanonical.size() - 1));
  Xml.LoadFromFile(U16(Dir / "short.dproj"));
  Xml.SaveToFile(U16(Dir / "short.dproj"));
  EXPECT_EQ(cCanonical, ReadBytes(Dir / "short.dproj"));

  // Same size, one byte different.
  std::string Changed = cCanonical;
  Changed[Changed.find("19.5")] = '2';
  WriteBytes(Dir / "same-size.dproj", Changed);
  Xml.SaveToFile(U16(Dir / "same-size.dproj"));
  EXPECT_EQ(cCanonical, ReadBytes(Dir / "same-size.dproj"));

#ifndef _WIN32
  // A file of another size is replaced without being read: one far larger than memory (sparse,
  // so it takes no disk space) could not be held for a byte comparison. Not on Windows, where
  // growing a file allocates it.
  WriteBytes(Dir / "huge.dproj", cCanonical);
  fs::resize_file(Dir / "huge.dproj", std::uintmax_t{1} << 40);
  Xml.SaveToFile(U16(Dir / "huge.dproj"));
  EXPECT_EQ(cCanonical, ReadBytes(Dir / "huge.dproj"));
#endif
}

// POSIX specifics of the save: mode bits, inodes, nanosecond times, symbolic links (which
// Windows lets only privileged users create), a full disk through the file-size limit. What
// every system shares is checked in ProjFileSaveTest.cpp, on Windows too.
#ifndef _WIN32

TEST(DprojXml, UnchangedContentLeavesFileAlone) {
  TTempDir Dir;
  const fs::path File = Dir / "same.dproj";
  WriteBytes(File, cCanonical);
  AgeFile(File);
  const TStamp Before = StampOf(File);

  TDprojXml Xml;
  Xml.LoadFromFile(U16(File));
  Xml.SaveToFile(U16(File));
  Xml.SilentSaveToFile(U16(File));

  const TStamp After = StampOf(File);
  EXPECT_EQ(cCanonical, ReadBytes(File));
  EXPECT_EQ(Before.Inode, After.Inode);
  EXPECT_TRUE(SameTime(Before.Write, After.Write));
  EXPECT_EQ(1u, Dir.EntryCount());
}

TEST(DprojXml, SilentSaveKeepsModeAndTimes) {
  TTempDir Dir;
  const fs::path File = Dir / "silent.dproj";
  WriteBytes(File, cCanonical);
  ASSERT_EQ(0, ::chmod(File.c_str(), 0640));
  TDprojXml Xml;
  Xml.LoadFromFile(U16(File));
  // Aged after loading, since loading reads the file and so may touch its access time.
  AgeFile(File);
  const TStamp Before = StampOf(File);
  Xml.GetRoot()->NodeByName("PropertyGroup")->NodeByName("ProjectVersion")->SetValueAsUnicodeString(u"20.1");
  Xml.SilentSaveToFile(U16(File));

  // Stamp first: reading the content would touch the access time.
  const TStamp After = StampOf(File);
  std::string Expected = cCanonical;
  Expected.replace(Expected.find("19.5"), 4, "20.1");
  EXPECT_EQ(Expected, ReadBytes(File));
  EXPECT_EQ(0640u, After.Mode);
  EXPECT_TRUE(SameTime(Before.Write, After.Write));
  EXPECT_TRUE(SameTime(Before.Access, After.Access))
      << Before.Access.tv_sec << "." << Before.Access.tv_nsec << " / " << After.Access.tv_sec << "."
      << After.Access.tv_nsec;
  EXPECT_EQ(1u, Dir.EntryCount());
}

TEST(DprojXml, PlainSaveKeepsModeButTakesNewTime) {
  TTempDir Dir;
  const fs::path File = Dir / "plain.dproj";
  WriteBytes(File, cCanonical.substr(0, cCanonical.size() - 2));
  ASSERT_EQ(0, ::chmod(File.c_str(), 0604));
  AgeFile(File);
  const TStamp Before = StampOf(File);

  TDprojXml Xml;
  Xml.LoadFromFile(U16(File));
  Xml.SaveToFile(U16(File));

  EXPECT_EQ(cCanonical, ReadBytes(File));
  const TStamp After = StampOf(File);
  EXPECT_EQ(0604u, After.Mode);
  EXPECT_FALSE(SameTime(Before.Write, After.Write));
}

TEST(DprojXml, ReadOnlyFileIsNeverReplaced) {
  TTempDir Dir;
  const fs::path Same = Dir / "same.dproj";
  const fs::path Differs = Dir / "differs.dproj";
  WriteBytes(Same, cCanonical);
  const std::string Old = cCanonical.substr(0, cCanonical.size() - 2);
  WriteBytes(Differs, Old);
  ASSERT_EQ(0, ::chmod(Same.c_str(), 0444));
  ASSERT_EQ(0, ::chmod(Differs.c_str(), 0444));

  TDprojXml Xml;
  Xml.LoadFromFile(U16(Same));
  // Identical rendering: no error from either save.
  EXPECT_NO_THROW(Xml.SaveToFile(U16(Same)));
  EXPECT_NO_THROW(Xml.SilentSaveToFile(U16(Same)));
  // Different rendering: the save raises and the file keeps its bytes, even for root.
  EXPECT_THROW(Xml.SaveToFile(U16(Differs)), EFCreateError);
  EXPECT_THROW(Xml.SilentSaveToFile(U16(Differs)), EFCreateError);
  EXPECT_EQ(Old, ReadBytes(Differs));
  EXPECT_EQ(0444u, StampOf(Differs).Mode);
  EXPECT_EQ(2u, Dir.EntryCount());
}

TEST(DprojXml, FailedWriteKeepsOldFileAndLeavesNoTemporary) {
  TTempDir Dir;
  const fs::path File = Dir / "full.dproj";
  const std::string Old = cBom + "<Project/>";
  WriteBytes(File, Old);

  TDprojXml Xml;
  Xml.LoadFromFile(U16(Dir / "full.dproj"));
  TXmlNode* Group = Xml.GetRoot()->NodeNew("PropertyGroup");
  for (int I = 0; I < 200; ++I) Group->NodeNew("Setting")->SetValueAsUnicodeString(u"some value to fill the disk");

  // A file-size limit makes every write beyond it fail, as a full disk would, also for root.
  struct rlimit OldLimit {};
  ASSERT_EQ(0, ::getrlimit(RLIMIT_FSIZE, &OldLimit));
  struct rlimit Small = OldLimit;
  Small.rlim_cur = 512;
  auto OldHandler = std::signal(SIGXFSZ, SIG_IGN);
  ASSERT_EQ(0, ::setrlimit(RLIMIT_FSIZE, &Small));
  bool Raised = false;
  try {
    Xml.SaveToFile(U16(File));
  } catch (const Exception&) {
    Raised = true;
  }
  ::setrlimit(RLIMIT_FSIZE, &OldLimit);
  std::signal(SIGXFSZ, OldHandler);

  EXPECT_TRUE(Raised);
  EXPECT_EQ(Old, ReadBytes(File));
  EXPECT_EQ(1u, Dir.EntryCount());
}

TEST(DprojXml, SaveWritesThroughSymbolicLink) {
  TTempDir Dir;
  const fs::path Real = Dir / "real.dproj";
  const fs::path Link = Dir / "link.dproj";
  WriteBytes(Real, cCanonical.substr(0, cCanonical.size() - 2));
  fs::create_symlink(Real, Link);
  TDprojXml Xml;
  Xml.LoadFromFile(U16(Link));
  Xml.SaveToFile(U16(Link));
  EXPECT_TRUE(fs::is_symlink(Link));
  EXPECT_EQ(cCanonical, ReadBytes(Real));
}

TEST(DprojXml, NameCloseToTheSystemLimitCanStillBeRewritten) {
  // 250 bytes: a legal name, too long for a temporary name that appends to it.
  TTempDir Dir;
  const fs::path File = Dir / (std::string(244, 'p') + ".dproj");
  WriteBytes(File, cCanonical.substr(0, cCanonical.size() - 2));
  TDprojXml Xml;
  Xml.LoadFromFile(U16(File));
  ASSERT_NO_THROW(Xml.SaveToFile(U16(File)));
  EXPECT_EQ(cCanonical, ReadBytes(File));
  EXPECT_EQ(1u, Dir.EntryCount());
}

#endif
