// The version-information command on documents: both project layouts, the projects it leaves
// alone, the VerInfo_Keys quoting rules and the version text parsing.
#include <gtest/gtest.h>

#include <string>

#include "VorlaneCmdTestUtil.h"
#include "cmdline/SetVersionInfo.h"
#include "platform/SysUtils.h"
#include "projfile/DprojXml.h"

using namespace Vorlane;
using namespace VorlaneCmdTest;

namespace {

std::string Apply(const std::string& AProject, const UnicodeString& AVersion) {
  TDprojXml Xml;
  Xml.ReadFromString(AProject);
  TSetVersionInfo::SetVersionInfo(&Xml, AVersion);
  return Xml.WriteToString();
}

struct TLayoutCase {
  const char* Input;
  const char16_t* Version;
  const char* Expected;  // nullptr: the document must stay as it was
};

class SetVersionInfoLayout : public ::testing::TestWithParam<TLayoutCase> {};

TEST_P(SetVersionInfoLayout, RendersAsWrittenByHand) {
  const TLayoutCase& Case = GetParam();
  const std::string Input = Fixture(std::string("verinfo/") + Case.Input);
  const std::string Expected =
      Case.Expected ? Fixture(std::string("verinfo/") + Case.Expected) : Input;
  EXPECT_EQ(Apply(Input, Case.Version), WithCrLf(Expected));
}

INSTANTIATE_TEST_SUITE_P(
    Fixtures, SetVersionInfoLayout,
    ::testing::Values(
        // Base group entries found case-insensitively or appended, FileVersion key replaced
        // under its proper name, every child configuration cleared (first duplicate only),
        // the main group keeps its own entry.
        TLayoutCase{"format18.dproj", u"2", "format18.v2.expected.dproj"},
        // Personality entries; the part that does not convert becomes 0; no group touched.
        TLayoutCase{"format12.dproj", u"3.1.x.4", "format12.v3.1.x.4.expected.dproj"},
        // Only the VersionInfo element exists: its entries are set, no keys element appears.
        TLayoutCase{"format12-nokeys.dproj", u"7", "format12-nokeys.v7.expected.dproj"},
        // Child configurations of mobile platforms lose exactly the six cleared entries, their
        // own VerInfo_Keys included (first copy only); bundle, device, locale and flag entries
        // stay, and so does the main group's key list.
        TLayoutCase{"format19-mobile.dproj", u"1.2.3.4", "format19-mobile.v1.2.3.4.expected.dproj"},
        // Nowhere to put the information: unchanged.
        TLayoutCase{"format12-noinfo.dproj", u"5", nullptr},
        TLayoutCase{"format19-nobase.dproj", u"5", nullptr}));

// A project that carries both layouts shows which one the format version selects.
std::string BothLayouts(const std::string& AProjectVersion) {
  return "<Project xmlns=\"http://schemas.microsoft.com/developer/msbuild/2003\">\n"
         "    <PropertyGroup>\n"
         "        <ProjectVersion>" + AProjectVersion + "</ProjectVersion>\n"
         "    </PropertyGroup>\n"
         "    <PropertyGroup Condition=\"'$(Base)'!=''\">\n"
         "        <VerInfo_Keys>FileVersion=1.0.0.0</VerInfo_Keys>\n"
         "    </PropertyGroup>\n"
         "    <ProjectExtensions>\n"
         "        <BorlandProject>\n"
         "            <Delphi.Personality>\n"
         "                <VersionInfoKeys>\n"
         "                    <VersionInfoKeys Name=\"FileVersion\">1.0.0.0</VersionInfoKeys>\n"
         "                </VersionInfoKeys>\n"
         "            </Delphi.Personality>\n"
         "        </BorlandProject>\n"
         "    </ProjectExtensions>\n"
         "</Project>\n";
}

TEST(SetVersionInfoFormat, ThirteenIsTheFirstFormatWithTheBaseGroupLayout) {
  const std::string New = Apply(BothLayouts("13.0"), u"4.5");
  EXPECT_NE(New.find("<VerInfo_Keys>FileVersion=4.5.0.0</VerInfo_Keys>"), std::string::npos) << New;
  EXPECT_NE(New.find("<VerInfo_MinorVer>5</VerInfo_MinorVer>"), std::string::npos) << New;
  EXPECT_NE(New.find(">1.0.0.0</VersionInfoKeys>"), std::string::npos) << New;

  const std::string Old = Apply(BothLayouts("12.9"), u"4.5");
  EXPECT_NE(Old.find("<VerInfo_Keys>FileVersion=1.0.0.0</VerInfo_Keys>"), std::string::npos) << Old;
  EXPECT_EQ(Old.find("VerInfo_MinorVer"), std::string::npos) << Old;
  EXPECT_NE(Old.find(">4.5.0.0</VersionInfoKeys>"), std::string::npos) << Old;
}

// The numbers as the base group receives them, and the FileVersion text.
TEST(SetVersionInfoParse, EachPartConvertsOnItsOwn) {
  struct {
    const char16_t* Version;
    const char* Numbers[4];
    const char* FileVersion;
  } const Cases[] = {
      {u"1.2", {"1", "2", "0", "0"}, "1.2.0.0"},
      {u"1.x.3", {"1", "0", "3", "0"}, "1.0.3.0"},
      {u"1.2.3.4.5", {"1", "2", "3", "4"}, "1.2.3.4"},
      {u"ersion", {"0", "0", "0", "0"}, "0.0.0.0"},
      {u"7..9", {"7", "0", "9", "0"}, "7.0.9.0"},
      {u"-1.99999999999", {"-1", "0", "0", "0"}, "-1.0.0.0"},
  };
  const char* const Names[4] = {"VerInfo_MajorVer", "VerInfo_MinorVer", "VerInfo_Release", "VerInfo_Build"};
  for (const auto& C : Cases) {
    const std::string Out = Apply(BothLayouts("19.5"), C.Version);
    for (int I = 0; I < 4; ++I) {
      const std::string Entry = std::string("<") + Names[I] + ">" + C.Numbers[I] + "</" + Names[I] + ">";
      EXPECT_NE(Out.find(Entry), std::string::npos) << UnicodeToUTF8(C.Version) << ": " << Entry;
    }
    EXPECT_NE(Out.find(std::string("FileVersion=") + C.FileVersion + "<"), std::string::npos)
        << UnicodeToUTF8(C.Version);
  }
}

TEST(SetVersionInfoKeys, FileVersionEntryAndQuoting) {
  struct {
    const char16_t* Keys;
    const char16_t* Expected;
  } const Cases[] = {
      {u"CompanyName=;FileVersion=1.0.0.0;ProductVersion=1.0", u"CompanyName=;FileVersion=2.0.0.0;ProductVersion=1.0"},
      {u"CompanyName=;ProductVersion=1.0", u"CompanyName=;ProductVersion=1.0;FileVersion=2.0.0.0"},
      {u"fileversion=1.0.0.0;Comments=", u"FileVersion=2.0.0.0;Comments="},
      {u"", u"FileVersion=2.0.0.0"},
      // Empty entries keep their places, a trailing ";" included.
      {u"A=1;;B=2", u"A=1;;B=2;FileVersion=2.0.0.0"},
      {u"A=1;", u"A=1;;FileVersion=2.0.0.0"},
      // Blanks belong to the entries: " FileVersion" is another name.
      {u" FileVersion=1; B = 2 ", u" FileVersion=1; B = 2 ;FileVersion=2.0.0.0"},
      // An entry without "=" has no name.
      {u"FileVersion", u"FileVersion;FileVersion=2.0.0.0"},
      {u"FileVersion=1;FileVersion=2", u"FileVersion=2.0.0.0;FileVersion=2"},
      // Quoted entries are read as text and quoted again only when they need it.
      {u"\"Note=x;y\";FileVersion=1", u"\"Note=x;y\";FileVersion=2.0.0.0"},
      {u"\"FileVersion=1;x\";B=2", u"FileVersion=2.0.0.0;B=2"},
      {u"\"Plain=1\"", u"Plain=1;FileVersion=2.0.0.0"},
      {u"Comments=say \"hi\"", u"\"Comments=say \"\"hi\"\"\";FileVersion=2.0.0.0"},
      {u"\"Q=a\"\"b\"", u"\"Q=a\"\"b\";FileVersion=2.0.0.0"},
      // An unterminated quote runs to the end of the value.
      {u"\"Open=a;b", u"\"Open=a;b\";FileVersion=2.0.0.0"},
      // Text after a closing quote stays in its entry.
      {u"\"a\"b;c", u"ab;c;FileVersion=2.0.0.0"},
  };
  for (const auto& C : Cases)
    EXPECT_EQ(UnicodeToUTF8(SetFileVersionKey(C.Keys, u"2.0.0.0")), UnicodeToUTF8(C.Expected))
        << UnicodeToUTF8(C.Keys);
}

TEST(SetVersionInfoKeys, ValueIsUnescapedForEditingAndEscapedWhenStored) {
  const std::string Project =
      "<Project>\n"
      "    <PropertyGroup>\n"
      "        <ProjectVersion>19.5</ProjectVersion>\n"
      "    </PropertyGroup>\n"
      "    <PropertyGroup Condition=\"'$(Base)'!=''\">\n"
      "        <VerInfo_Keys>CompanyName=A &amp; B;Comments=&quot;x&quot;</VerInfo_Keys>\n"
      "    </PropertyGroup>\n"
      "</Project>\n";
  const std::string Out = Apply(Project, u"3");
  EXPECT_NE(Out.find("<VerInfo_Keys>CompanyName=A &amp; B;&quot;Comments=&quot;&quot;x&quot;&quot;&quot;;"
                     "FileVersion=3.0.0.0</VerInfo_Keys>"),
            std::string::npos)
      << Out;
}

TEST(SetVersionInfoFile, SavesOnlyWhenTheBytesChange) {
  TTempDir Dir;
  const auto File = Dir / "Ledger.dproj";
  WriteBytes(File, OnDisk(Fixture("verinfo/format18.dproj")));
  const UnicodeString Name = UTF8ToUnicode(File.string());

  TSetVersionInfo::SetVersionInfo(Name, u"2");
  EXPECT_EQ(ReadBytes(File), OnDisk(Fixture("verinfo/format18.v2.expected.dproj")));

  // Set again to what it already holds: the bytes stay, so the file is not written.
  const auto Same = Dir / "Tally.dproj";
  WriteBytes(Same, OnDisk(Fixture("verinfo/format12.v3.1.x.4.expected.dproj")));
  const auto Old = std::filesystem::last_write_time(Same) - std::chrono::hours(1);
  std::filesystem::last_write_time(Same, Old);
  TSetVersionInfo::SetVersionInfo(UTF8ToUnicode(Same.string()), u"3.1.0.4");
  EXPECT_EQ(std::filesystem::last_write_time(Same), Old);
  EXPECT_EQ(ReadBytes(Same), OnDisk(Fixture("verinfo/format12.v3.1.x.4.expected.dproj")));

  // A misspelt name is an error; no bare project appears under it.
  const auto Missing = Dir / "Ledgr.dproj";
  EXPECT_THROW(TSetVersionInfo::SetVersionInfo(UTF8ToUnicode(Missing.string()), u"2"), EFOpenError);
  EXPECT_FALSE(std::filesystem::exists(Missing));
}

}  // namespace
