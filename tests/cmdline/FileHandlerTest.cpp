// File expansion of the console program: masks, recursion order, targets below -o, target
// folders, per-argument error handling and the help text.
#include <gtest/gtest.h>

#include "DriverTestHarness.h"
#include "cmdline/FileHandlerCmdLine.h"

using namespace Vorlane;
using namespace DriverTest;

namespace {

const std::string kBanner = "VorlaneCmd <no version info>";
const std::string kPrompt = "press <enter> to continue...";
const std::string kElapsed = "elapsed time: # ms";

// Records the (file, target) pairs it is handed; fails on files named in gFailOn, skips
// (empty target) those named in gSkip, and drops those named in gFilterOut from the list.
struct TProbeState {
  std::vector<std::pair<std::string, std::string>> Pairs;
  std::string FailOn, Skip, FilterOut;
} gProbe;

class TProbeFileHandler : public TFileHandlerCmdLine {
 protected:
  void ProcessFile(const UnicodeString& AFileName, const UnicodeString& ATargetName) override {
    const std::string Name = UnicodeToUTF8(ExtractFileName(AFileName));
    if (!gProbe.FailOn.empty() && Name == gProbe.FailOn) throw EReadError("cannot read " + Name);
    TFileHandlerCmdLine::ProcessFile(AFileName, ATargetName);
    gProbe.Pairs.emplace_back(UnicodeToUTF8(AFileName), UnicodeToUTF8(ATargetName));
  }
  UnicodeString GetTargetName(const UnicodeString& AFileName, const UnicodeString& ABasePath,
                              const UnicodeString& AOutPath) override {
    if (!gProbe.Skip.empty() && UnicodeToUTF8(ExtractFileName(AFileName)) == gProbe.Skip) return UnicodeString();
    return TFileHandlerCmdLine::GetTargetName(AFileName, ABasePath, AOutPath);
  }
  void FilterFiles(TStringList& AFiles) override {
    for (Integer i = AFiles.Count() - 1; i >= 0; --i)
      if (UnicodeToUTF8(ExtractFileName(AFiles[i])) == gProbe.FilterOut) AFiles.Delete(i);
  }
};

int RunPlain() { return TCmdLineHandler::Execute<TFileHandlerCmdLine>(); }

int RunProbe() {
  gProbe.Pairs.clear();
  return TCmdLineHandler::Execute<TProbeFileHandler>();
}

// A source tree used by most cases.
void MakeTree(const TStage& AStage) {
  for (const char* F : {"src/z.dproj", "src/B.DPROJ", "src/a.dproj", "src/notes.txt", "src/README",
                        "src/sub/d.dproj", "src/sub/deeper/e.dproj", "src/Sub2/f.dproj", "src/ab.dproj"})
    AStage.Touch(F);
}

}  // namespace

TEST(FileHandlerTest, HelpText) {
  TStage Stage({"-?"});
  EXPECT_EQ(RunPlain(), 0);
  EXPECT_EQ(Stage.Console.Lines,
            (TLines{kBanner, "usage: VorlaneCmd [<filepath>]<filename> [-o:<outputpath>] [-l:<logfile>] [-s]",
                    "       <filename> may contain wildcards", ""}));
}

TEST(FileHandlerTest, MasksExpandInListingOrder) {
  TStage Stage({"src/*.dproj", "src\\?.DPROJ", "src/*.*", "src/nothing*.x"});
  MakeTree(Stage);
  const std::string S = Stage.Path("src") + kDelim;
  EXPECT_EQ(RunPlain(), 0);
  EXPECT_EQ(Masked(Stage.Console.Lines),
            (TLines{kBanner,
                    // *.dproj, case ignored, sorted by name
                    "converting: " + S + "a.dproj", "converting: " + S + "ab.dproj", "converting: " + S + "B.DPROJ",
                    "converting: " + S + "z.dproj",
                    // ?.DPROJ with a foreign delimiter
                    "converting: " + S + "a.dproj", "converting: " + S + "B.DPROJ", "converting: " + S + "z.dproj",
                    // *.* also takes names without a dot
                    "converting: " + S + "a.dproj", "converting: " + S + "ab.dproj", "converting: " + S + "B.DPROJ",
                    "converting: " + S + "notes.txt", "converting: " + S + "README", "converting: " + S + "z.dproj",
                    // an argument that matches nothing prints nothing
                    kElapsed}));
}

TEST(FileHandlerTest, RecursionInsertsSubFoldersWhereTheyStand) {
  TStage Stage({"-s", "src/*.dproj"});
  MakeTree(Stage);
  const std::string S = Stage.Path("src") + kDelim;
  EXPECT_EQ(RunPlain(), 0);
  EXPECT_EQ(Masked(Stage.Console.Lines),
            (TLines{kBanner, "converting: " + S + "a.dproj", "converting: " + S + "ab.dproj",
                    "converting: " + S + "B.DPROJ", "converting: " + S + Native("sub/d.dproj"),
                    "converting: " + S + Native("sub/deeper/e.dproj"), "converting: " + S + Native("Sub2/f.dproj"),
                    "converting: " + S + "z.dproj", kElapsed}));
}

TEST(FileHandlerTest, TargetsRepeatTheSubFoldersBelowTheOutputFolder) {
  TStage Stage({"-s", "-o:out/new", "src/*.dproj"});
  MakeTree(Stage);
  const std::string S = Stage.Path("src") + kDelim, O = Stage.Path("out/new") + kDelim;
  EXPECT_EQ(RunProbe(), 0);
  EXPECT_EQ(gProbe.Pairs, (std::vector<std::pair<std::string, std::string>>{
                              {S + "a.dproj", O + "a.dproj"},
                              {S + "ab.dproj", O + "ab.dproj"},
                              {S + "B.DPROJ", O + "B.DPROJ"},
                              {S + Native("sub/d.dproj"), O + Native("sub/d.dproj")},
                              {S + Native("sub/deeper/e.dproj"), O + Native("sub/deeper/e.dproj")},
                              {S + Native("Sub2/f.dproj"), O + Native("Sub2/f.dproj")},
                              {S + "z.dproj", O + "z.dproj"}}));
  // Target folders are created, with their parents, before a file is handed over.
  EXPECT_TRUE(std::filesystem::is_directory(Stage.Dir() / "out/new/sub/deeper"));
  EXPECT_TRUE(std::filesystem::is_directory(Stage.Dir() / "out/new/Sub2"));
  // The sources stay where they are; nothing is copied by the expansion itself.
  EXPECT_FALSE(std::filesystem::exists(Stage.Dir() / "out/new/a.dproj"));

  // Without -o every file is its own target.
  Stage.SetArgs({"src/a.dproj"});
  EXPECT_EQ(RunProbe(), 0);
  EXPECT_EQ(gProbe.Pairs, (std::vector<std::pair<std::string, std::string>>{{S + "a.dproj", S + "a.dproj"}}));
}

TEST(FileHandlerTest, HooksSkipAndFilterFiles) {
  TStage Stage({"src/?.dproj"});
  MakeTree(Stage);
  gProbe.Skip = "B.DPROJ";
  gProbe.FilterOut = "z.dproj";
  const std::string S = Stage.Path("src") + kDelim;
  EXPECT_EQ(RunProbe(), 0);
  gProbe.Skip.clear();
  gProbe.FilterOut.clear();
  EXPECT_EQ(Masked(Stage.Console.Lines),
            (TLines{kBanner, "converting: " + S + "a.dproj", "skipped " + S + "B.DPROJ (no target)", kElapsed}));
}

TEST(FileHandlerTest, MissingFolderReportsOnceAndTheNextArgumentRuns) {
  TStage Stage({"missing/*.dproj", "src/a.dproj", "", "src/B.dproj"});
  MakeTree(Stage);
  const std::string S = Stage.Path("src") + kDelim;
  EXPECT_EQ(RunPlain(), 1);
  EXPECT_EQ(Masked(Stage.Console.Lines),
            (TLines{kBanner, "Error: The specified path was not found", kPrompt, "converting: " + S + "a.dproj",
                    // an empty argument names no folder
                    "Error: The specified path was not found", kPrompt, "converting: " + S + "B.DPROJ", kElapsed}));
  EXPECT_EQ(Stage.Console.Reads, 2);
}

TEST(FileHandlerTest, FailingFileSkipsTheRestOfItsArgumentOnly) {
  TStage Stage({"src/?.dproj", "src/ab.dproj", "-l:run.log"});
  MakeTree(Stage);
  gProbe.FailOn = "B.DPROJ";
  const std::string S = Stage.Path("src") + kDelim;
  EXPECT_EQ(RunProbe(), 1);
  gProbe.FailOn.clear();
  EXPECT_EQ(Masked(Stage.Console.Lines),
            (TLines{kBanner, "converting: " + S + "a.dproj", "Error: cannot read B.DPROJ", kPrompt,
                    "converting: " + S + "ab.dproj", kElapsed}));
  EXPECT_EQ(ReadBytes(Stage.Dir() / "run.log"),
            "converting: " + S + "a.dproj\r\nError: cannot read B.DPROJ\r\nconverting: " + S + "ab.dproj\r\n");
}

TEST(FileHandlerTest, TargetFolderThatCannotBeCreated) {
  // A file stands where the output folder's sub-folder would go.
  TStage Stage({"-s", "-o:out", "src/*.dproj"});
  Stage.Touch("src/a.dproj");
  Stage.Touch("src/sub/b.dproj");
  Stage.Touch("src/sub/c.dproj");
  Stage.Touch("src/z.dproj");
  Stage.Touch("out/sub", "in the way");
  const std::string S = Stage.Path("src") + kDelim, O = Stage.Path("out") + kDelim;
  EXPECT_EQ(RunPlain(), 1);
  EXPECT_EQ(Masked(Stage.Console.Lines),
            (TLines{kBanner, "converting: " + S + "a.dproj", "Error: can not create folder: " + O + "sub", kPrompt,
                    "Error: can not create folder: " + O + "sub", kPrompt, "converting: " + S + "z.dproj",
                    kElapsed}));
  EXPECT_EQ(ReadBytes(Stage.Dir() / "out/sub"), "in the way");
}
