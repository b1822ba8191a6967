// The plug-in really goes when the IDE unloads it after its engine parsed, normalized and saved
// projects: a library the loader keeps (pinned by a thread-exit destructor, say) comes back with
// its old static state, and calls into code believed unloaded go unnoticed. Nor may its memory.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "common/TestSupport.h"
#include "ide/IdeTestSupport.h"
#include "platform/Classes.h"
#include "platform/Module.h"
#include "projfile/NormalizerDprojFile.h"
#include "simide/SimIDE.h"

using namespace Vorlane;
using namespace TestSupport;
using IdeTest::U16;

TEST(PluginUnload, TheLibraryAndItsMemoryGoAndASecondLoadStartsAfresh) {
#ifndef VORLANE_PLUGIN_FILE
  GTEST_SKIP() << "the plug-in is not part of this build";
#else
  // The process's mapped bytes, where the system tells; 0 elsewhere.
  const auto Mapped = [] {
    long long Pages = 0;
    if (std::FILE* Statm = std::fopen("/proc/self/statm", "r")) {
      if (std::fscanf(Statm, "%lld", &Pages) != 1) Pages = 0;
      std::fclose(Statm);
    }
    return Pages * 4096;
  };
  const UnicodeString LPlugin = U16(VORLANE_PLUGIN_FILE);
  ASSERT_FALSE(ModuleLoaded(LPlugin)) << "an earlier unload left the plug-in in the process";
  TScratchFolder Dir;
  WriteBytes(Dir / "ide" / "Vorlane.vorlan", "[Settings]\r\nNormalizeDproj=1\r\nSplitDproj=1\r\n");
  std::string LSample = ReadBytes(fs::path(VORLANE_SOURCE_DIR) / "examples" / "SampleApp" / "SampleApp.dproj");
  // And a large one (2.5 MB): the file buffer the engine keeps for the next document and the
  // tree's chunks far outweigh what else the process maps and frees.
  std::string LLarge = LSample, LUnits;
  for (int I = 0; I < 60000; ++I) LUnits += "<DCCReference Include=\"U" + std::to_string(I) + ".pas\"/>\r\n";
  LLarge.insert(LLarge.find("<DCCReference Include=\"Core\\Logbook.pas\"/>"), LUnits);

  // Each project opened, one option edited and saved: the add-in splits and normalizes it.
  const auto Session = [&](const char* AName) {
    std::vector<std::string> LSaved;
    TSimIDE IDE(U16(Dir / "ide"));
    IDE.LoadPlugin(LPlugin);
    EXPECT_TRUE(ModuleLoaded(LPlugin)) << AName;
    EXPECT_EQ(IDE.RegistrationCount(), 4) << AName << ": registered afresh";
    for (const std::string* LBytes : {&LSample, &LLarge}) {
      const fs::path LFile = Dir / AName / (LBytes == &LSample ? "SampleApp.dproj" : "Large.dproj");
      WriteBytes(LFile, *LBytes);
      TIntfPtr<IOTAProject> LProject = IDE.OpenProject(U16(LFile));
      IDE.EditOption(LProject.Get(), u"Base", u"DCC_Hints", u"false");
      IDE.SaveModule(LProject.Get());
      LSaved.push_back(ReadBytes(LFile));
      WriteBytes(Dir / "again.dproj", LSaved.back());
      TNormalizerDProjFile::Normalize(U16(Dir / "again.dproj"));
      EXPECT_EQ(ReadBytes(Dir / "again.dproj"), LSaved.back()) << LFile << ": saved in canonical form";
    }
    EXPECT_EQ(IDE.UnloadPlugin(), 0) << AName;
    EXPECT_FALSE(ModuleLoaded(LPlugin)) << AName << ": the library stayed after its unload";
    return LSaved;
  };
  // The test's own engine keeps no memory for later documents: what stays is the plug-in's.
  const size_t LLimit = SpareMemoryLimit();
  SetSpareMemoryLimit(0);
  const std::vector<std::string> LFirst = Session("first");
  [[maybe_unused]] const long long LMapped = Mapped();
  for (const char* LName : {"second", "third", "fourth"})
    EXPECT_TRUE(Session(LName) == LFirst) << "the " << LName << " session saved other files";
  // A session's leftovers (pool chunks, a kept file buffer: 2.5 MB and more) would be there
  // three more times now; the test's own heap and pool vary by a region or two, whatever came
  // before. AddressSanitizer's allocator maps as it pleases.
#if !defined(__SANITIZE_ADDRESS__)
  EXPECT_TRUE(LMapped == 0 || Mapped() - LMapped < 4 * 1024 * 1024) << "the plug-in's memory stayed after its unload";
#endif
  SetSpareMemoryLimit(LLimit);
#endif
}
