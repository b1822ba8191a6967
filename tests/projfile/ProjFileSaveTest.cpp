// The project save as every system sees it, through the platform layer's own attribute and
// time calls: write only when the bytes change, all or nothing, and a silent save that keeps
// what the system lets it keep. (DprojXmlTest adds the POSIX specifics: mode bits, inodes,
// symbolic links, a full disk.)
#include <gtest/gtest.h>

#include <string>

#include "platform/FileSystem.h"
#include "projfile/DprojXml.h"
#include "tests/projfile/DprojFileTestSupport.h"
#include "xml/XmlNode.h"

using namespace Vorlane;
using namespace ProjFileTest;

namespace {

const std::string cCanonical =
    "\xEF\xBB\xBF<Project xmlns=\"http://schemas.microsoft.com/developer/msbuild/2003\">\r\n"
    "    <PropertyGroup>\r\n"
    "        <ProjectVersion>19.5</ProjectVersion>\r\n"
    "    </PropertyGroup>\r\n"
    "</Project>\r\n";
// The same project in another layout: loading and saving it rewrites it.
const std::string cOtherLayout = cCanonical.substr(0, cCanonical.size() - 2);

// 2001-02-03 04:05:06.1234567 UTC and a year later, in 100-ns ticks since 1601.
constexpr Int64 cOld = (981173106LL + 11644473600LL) * 10000000LL + 1234567;
constexpr Int64 cOlder = cOld - 365LL * 86400 * 10000000LL;

void Age(const fs::path& AFile) {
  ASSERT_TRUE(SetFileLastWriteTime(U16(AFile), cOld));
  ASSERT_TRUE(SetFileLastAccessTime(U16(AFile), cOld + 10000000LL));
}

TFileTimes TimesOf(const fs::path& AFile) {
  TFileTimes T;
  EXPECT_TRUE(GetFileTimes(U16(AFile), T));
  return T;
}

// Whether this system keeps a creation time that was set (Windows does; POSIX cannot set one,
// and wine reports the Linux status-change time).
bool CreationTimeSticks(const TTempDir& ADir) {
  const fs::path Probe = ADir / "probe";
  WriteBytes(Probe, "x");
  const bool Sticks = SetFileCreationTime(U16(Probe), cOlder) && TimesOf(Probe).CreationTime == cOlder;
  fs::remove(Probe);
  return Sticks;
}

}  // namespace

TEST(ProjFileSave, UnchangedBytesAreNotWritten) {
  TTempDir Dir;
  const fs::path File = Dir / "same.dproj";
  WriteBytes(File, cCanonical);
  Age(File);
  TDprojXml Xml;
  Xml.LoadFromFile(U16(File));
  Xml.SaveToFile(U16(File));
  Xml.SilentSaveToFile(U16(File));
  EXPECT_EQ(TimesOf(File).LastWriteTime, cOld);
  EXPECT_EQ(ReadBytes(File), cCanonical);
  EXPECT_EQ(Dir.EntryCount(), 1u);
}

// Both saves keep the file's attributes; only the silent one also keeps its times.
TEST(ProjFileSave, AttributesStayAndOnlyTheSilentSaveKeepsTheTimes) {
  for (bool Silent : {false, true}) {
    SCOPED_TRACE(Silent ? "silent save" : "plain save");
    TTempDir Dir;
    const bool KeepsCreation = CreationTimeSticks(Dir);
    const fs::path File = Dir / "p.dproj";
    WriteBytes(File, cOtherLayout);
#ifdef _WIN32
    ASSERT_EQ(FileSetAttr(U16(File), faHidden | faArchive), 0);
#endif
    const Integer Attributes = FileGetAttr(U16(File));
    TDprojXml Xml;
    Xml.LoadFromFile(U16(File));
    // Aged after loading, since loading may touch the access time.
    Age(File);
    if (KeepsCreation) {
      ASSERT_TRUE(SetFileCreationTime(U16(File), cOlder));
    }
    if (Silent)
      Xml.SilentSaveToFile(U16(File));
    else
      Xml.SaveToFile(U16(File));

    const TFileTimes After = TimesOf(File);
    EXPECT_EQ(ReadBytes(File), cCanonical);
    EXPECT_EQ(FileGetAttr(U16(File)), Attributes);
    if (Silent) {
      EXPECT_EQ(After.LastWriteTime, cOld);
      EXPECT_EQ(After.LastAccessTime, cOld + 10000000LL);
    } else {
      EXPECT_GT(After.LastWriteTime, cOld);
    }
    if (KeepsCreation) {
      EXPECT_EQ(After.CreationTime, cOlder);
    }
    EXPECT_EQ(Dir.EntryCount(), 1u);
  }
}

TEST(ProjFileSave, ReadOnlyFileIsNeverReplaced) {
  TTempDir Dir;
  const fs::path Same = Dir / "same.dproj", Differs = Dir / "differs.dproj";
  WriteBytes(Same, cCanonical);
  WriteBytes(Differs, cOtherLayout);
  for (const fs::path& F : {Same, Differs}) ASSERT_EQ(FileSetAttr(U16(F), faReadOnly), 0);
  TDprojXml Xml;
  Xml.LoadFromFile(U16(Same));
  EXPECT_NO_THROW(Xml.SaveToFile(U16(Same)));
  EXPECT_NO_THROW(Xml.SilentSaveToFile(U16(Same)));
  EXPECT_THROW(Xml.SaveToFile(U16(Differs)), EFCreateError);
  EXPECT_THROW(Xml.SilentSaveToFile(U16(Differs)), EFCreateError);
  EXPECT_EQ(ReadBytes(Differs), cOtherLayout);
  EXPECT_NE(FileGetAttr(U16(Differs)) & faReadOnly, 0);
  EXPECT_EQ(Dir.EntryCount(), 2u);
  for (const fs::path& F : {Same, Differs}) FileSetAttr(U16(F), 0);
}

TEST(ProjFileSave, TargetThatCannotBeReplacedLeavesNoTemporary) {
  TTempDir Dir;
  TDprojXml Xml;
  // The target name is taken by a folder with content: the final move fails.
  fs::create_directories(Dir / "taken.dproj" / "inner");
  EXPECT_THROW(Xml.SaveToFile(U16(Dir / "taken.dproj")), Exception);
  EXPECT_TRUE(fs::is_directory(Dir / "taken.dproj" / "inner"));
  EXPECT_EQ(Dir.EntryCount(), 1u);
  // A new file is created whole.
  Xml.SaveToFile(U16(Dir / "new.dproj"));
  EXPECT_TRUE(fs::exists(Dir / "new.dproj"));
  EXPECT_EQ(Dir.EntryCount(), 2u);
}
