// The W3C XML conformance suite as the XML tests walk it: unpacked once per test program into
// a scratch folder (removed at exit), every file of it, and the test entries of its catalogs
// with the kind the suite gives each document.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <set>
#include <string>

#include "common/TestSupport.h"

namespace XmlTest {

namespace fs = std::filesystem;

// The value of attribute AName inside one tag text, empty when absent.
inline std::string TagAttribute(const std::string& ATag, const std::string& AName) {
  size_t P = 0;
  while ((P = ATag.find(AName, P)) != std::string::npos) {
    const bool Boundary = P > 0 && (ATag[P - 1] == ' ' || ATag[P - 1] == '\n' ||
                                    ATag[P - 1] == '\t' || ATag[P - 1] == '\r');
    size_t Q = P + AName.size();
    while (Q < ATag.size() && ATag[Q] == ' ') ++Q;
    if (Boundary && Q < ATag.size() && ATag[Q] == '=') {
      ++Q;
      while (Q < ATag.size() && ATag[Q] == ' ') ++Q;
      if (Q < ATag.size() && (ATag[Q] == '"' || ATag[Q] == '\'')) {
        const size_t End = ATag.find(ATag[Q], Q + 1);
        if (End != std::string::npos) return ATag.substr(Q + 1, End - Q - 1);
      }
    }
    P += AName.size();
  }
  return std::string();
}

class TConformanceSuite {
 public:
  // The unpacked suite; nullptr with AWhyNot set when it is not installed or cannot be unpacked.
  static const TConformanceSuite* Get(std::string& AWhyNot) {
    static std::unique_ptr<TConformanceSuite> Suite;
    static std::string Reason;
    static bool Tried = false;
    const fs::path Zip = TestSupport::SharedDir() / "xmlts" / "xmlts20130923.zip";
    if (!TestSupport::SharedPresent(Zip, "W3C conformance suite")) {
      AWhyNot = "W3C conformance suite not found at " + Zip.string();
      return nullptr;
    }
    if (!Tried) {
      Tried = true;
#ifdef _WIN32
      // Windows 10 and later ship tar.exe, which unpacks zip files; wine has none.
      if (std::system("tar --version >NUL 2>&1") != 0) {
        Reason = "no tar.exe here to unpack the suite";
      } else {
        auto S = std::unique_ptr<TConformanceSuite>(new TConformanceSuite());
        const std::string Command = "tar -xf \"" + fs::path(Zip).make_preferred().string() + "\" -C \"" +
                                    S->FFolder.Path().string() + "\" >NUL 2>&1";
#else
      if (std::system("unzip -v > /dev/null 2>&1") != 0) {
        Reason = "unzip is not installed";
      } else {
        auto S = std::unique_ptr<TConformanceSuite>(new TConformanceSuite());
        const std::string Command = "unzip -q -o '" + Zip.string() + "' -d '" +
                                    S->FFolder.Path().string() + "' > /dev/null 2>&1";
#endif
        if (std::system(Command.c_str()) != 0)
          Reason = "could not unpack " + Zip.string();
        else
          (Suite = std::move(S))->Index();
      }
    }
    AWhyNot = Reason;
    return Suite.get();
  }

  // Every file of the suite, in path order.
  const std::set<fs::path>& Files() const { return FFiles; }
  // The kind ("valid", "invalid", "not-wf", "error") of every test document that a catalog
  // lists, by canonical path. Valid and invalid documents are well-formed.
  const std::map<fs::path, std::string>& Kinds() const { return FKinds; }

 private:
  TConformanceSuite() : FFolder("vorlane-xmlts") {}

  void Index() {
    for (const auto& Entry : fs::recursive_directory_iterator(FFolder.Path())) {
      if (!Entry.is_regular_file()) continue;
      FFiles.insert(Entry.path());
      if (Entry.path().extension() != ".xml") continue;
      const std::string Text = TestSupport::ReadBytes(Entry.path());
      size_t P = 0;
      while ((P = Text.find("<TEST", P)) != std::string::npos) {
        const size_t End = Text.find('>', P);
        if (End == std::string::npos) break;
        const std::string Tag = Text.substr(P, End - P);
        P = End;
        const std::string Uri = TagAttribute(Tag, "URI");
        if (Uri.empty()) continue;
        FKinds[fs::weakly_canonical(Entry.path().parent_path() / Uri)] = TagAttribute(Tag, "TYPE");
      }
    }
  }

  TestSupport::TScratchFolder FFolder;
  std::set<fs::path> FFiles;
  std::map<fs::path, std::string> FKinds;
};

}  // namespace XmlTest
