// Recording notifiers and small project files for the IDE layer's tests.
#pragma once

#include <string>
#include <vector>

#include "common/TestSupport.h"
#include "ide/ToolsAPI.h"
#include "platform/FileSystem.h"

namespace IdeTest {

using namespace Vorlane;

// Appends "<name>:<event>" lines to a shared log; tells the log when it is destroyed.
class TRecordingNotifier : public TModuleNotifierObject, public virtual IOTAIDENotifier {
 public:
  TRecordingNotifier(std::vector<std::string>* ALog, std::string AName) : FLog(ALog), FName(std::move(AName)) {}
  ~TRecordingNotifier() override { Add("destroyed"); }

  void AfterSave() override { Add("AfterSave"); }
  void BeforeSave() override { Add("BeforeSave"); }
  void Destroyed() override { Add("Destroyed"); }
  void Modified() override { Add("Modified"); }
  void ModuleRenamed(const UnicodeString& ANewName) override {
    Add("ModuleRenamed " + UnicodeToUTF8(ExtractFileName(ANewName)));
  }
  void FileNotification(TOTAFileNotification ACode, const UnicodeString& AFileName, bool&) override {
    Add(std::to_string(ACode) + " " + UnicodeToUTF8(ExtractFileName(AFileName)));
  }
  void BeforeCompile(IOTAProject*, bool&) override {}
  void AfterCompile(bool) override {}

 private:
  void Add(const std::string& AEvent) { FLog->push_back(FName + ":" + AEvent); }

  std::vector<std::string>* FLog;
  std::string FName;
};

// A project with Base, Debug (Cfg_1) below it and Release (Cfg_2) below Debug, platforms
// Win32 and Android; Base sets three keys, Cfg_1 overrides one, Cfg_1_Win32 sets one.
inline std::string SampleDproj(const std::string& AAppType = "Application") {
  return "<Project xmlns=\"http://schemas.microsoft.com/developer/msbuild/2003\">\r\n"
         "    <PropertyGroup>\r\n"
         "        <Config Condition=\"'$(Config)'==''\">Release</Config>\r\n"
         "        <AppType>" + AAppType + "</AppType>\r\n"
         "    </PropertyGroup>\r\n"
         "    <PropertyGroup Condition=\"'$(Base)'!=''\">\r\n"
         "        <DllSuffix>200</DllSuffix>\r\n"
         "        <VerInfo_AutoIncVersion>true</VerInfo_AutoIncVersion>\r\n"
         "        <OutputExt>exe</OutputExt>\r\n"
         "    </PropertyGroup>\r\n"
         "    <PropertyGroup Condition=\"'$(Cfg_1)'!=''\">\r\n"
         "        <VerInfo_AutoIncVersion>false</VerInfo_AutoIncVersion>\r\n"
         "    </PropertyGroup>\r\n"
         "    <PropertyGroup Condition=\"'$(Cfg_1_Win32)'!=''\">\r\n"
         "        <Manifest_File>app.manifest</Manifest_File>\r\n"
         "    </PropertyGroup>\r\n"
         "    <ItemGroup>\r\n"
         "        <BuildConfiguration Include=\"Release\">\r\n"
         "            <Key>Cfg_2</Key>\r\n"
         "            <CfgParent>Cfg_1</CfgParent>\r\n"
         "        </BuildConfiguration>\r\n"
         "        <BuildConfiguration Include=\"Base\">\r\n"
         "            <Key>Base</Key>\r\n"
         "        </BuildConfiguration>\r\n"
         "        <BuildConfiguration Include=\"Debug\">\r\n"
         "            <Key>Cfg_1</Key>\r\n"
         "            <CfgParent>Base</CfgParent>\r\n"
         "        </BuildConfiguration>\r\n"
         "    </ItemGroup>\r\n"
         "    <ProjectExtensions>\r\n"
         "        <BorlandProject>\r\n"
         "            <Platforms>\r\n"
         "                <Platform value=\"Win32\">True</Platform>\r\n"
         "                <Platform value=\"Android\">False</Platform>\r\n"
         "            </Platforms>\r\n"
         "        </BorlandProject>\r\n"
         "    </ProjectExtensions>\r\n"
         "</Project>\r\n";
}

inline UnicodeString U16(const std::filesystem::path& APath) { return UTF8ToUnicode(APath.string()); }

}  // namespace IdeTest
