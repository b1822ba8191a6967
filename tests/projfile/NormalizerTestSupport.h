// Helpers shared by the normalizer tests: loading fixtures and comparing node trees.
#pragma once

#include <map>
#include <memory>
#include <sstream>
#include <string>

#include "platform/SysUtils.h"
#include "projfile/DprojXml.h"
#include "xml/XmlNode.h"

namespace Vorlane::NormalizerTest {

inline std::string FixturePath(const std::string& AName) {
  return std::string(VORLANE_TEST_DATA) + "/normalize/" + AName;
}

inline std::unique_ptr<TDprojXml> LoadProject(const std::string& APath) {
  auto LXml = std::make_unique<TDprojXml>();
  LXml->LoadFromFile(UTF8ToUnicode(APath));
  return LXml;
}

inline std::unique_ptr<TDprojXml> LoadFixture(const std::string& AName) { return LoadProject(FixturePath(AName)); }

inline std::unique_ptr<TDprojXml> ParseProject(const std::string& AText) {
  auto LXml = std::make_unique<TDprojXml>();
  LXml->ReadFromString(AText);
  return LXml;
}

// One line per node: kind, name, attributes in order, stored value.
inline std::string NodeLine(const TXmlNode* ANode) {
  std::string LLine = std::to_string(static_cast<int>(ANode->ElementType())) + " <" + ANode->Name();
  for (Integer I = 0; I < ANode->GetAttributeCount(); ++I) LLine += " " + ANode->GetAttributePair(I);
  LLine += ">" + ANode->ValueDirect();
  // One node, one line: line breaks inside values are shown escaped.
  std::string LResult;
  for (char C : LLine) {
    if (C == '\n')
      LResult += "\\n";
    else if (C == '\r')
      LResult += "\\r";
    else
      LResult += C;
  }
  return LResult;
}

inline void DumpTree(const TXmlNode* ANode, int ADepth, std::ostringstream& AOut) {
  AOut << std::string(ADepth * 2, ' ') << NodeLine(ANode) << "\n";
  for (Integer I = 0; I < ANode->GetNodeCount(); ++I) DumpTree(ANode->GetNodes(I), ADepth + 1, AOut);
}

inline std::string DumpDocument(TXmlDocument* ADoc) {
  std::ostringstream LOut;
  DumpTree(ADoc->RootNodeList(), 0, LOut);
  return LOut.str();
}

// Trees are equal when every node has the same kind, name, attributes (in order), stored value
// and children in the same order. Comparing dumps shows the first difference in context.
inline std::string TreeText(TXmlDocument* ADoc) { return DumpDocument(ADoc); }

// Every node as its ancestor path plus its own line, counted: nodes that only move among
// their siblings leave this multiset unchanged.
using TNodeMultiset = std::map<std::string, int>;

inline void CollectNodes(const TXmlNode* ANode, const std::string& APath, TNodeMultiset& AOut) {
  std::string LSelf = APath + "/" + NodeLine(ANode);
  ++AOut[LSelf];
  for (Integer I = 0; I < ANode->GetNodeCount(); ++I) CollectNodes(ANode->GetNodes(I), LSelf, AOut);
}

inline TNodeMultiset NodeMultiset(TXmlDocument* ADoc) {
  TNodeMultiset LResult;
  CollectNodes(ADoc->RootNodeList(), "", LResult);
  return LResult;
}

}  // namespace Vorlane::NormalizerTest
