// Helpers of the XML tests that more than one test file needs.
#pragma once

#include <string>

#include "xml/XmlNode.h"

namespace XmlTest {

// The names of the direct children, comma-separated, in order.
inline std::string ChildNames(const Vorlane::TXmlNode& ANode) {
  std::string Result;
  for (Vorlane::Integer I = 0; I < ANode.GetNodeCount(); ++I) {
    if (I) Result += ",";
    Result += ANode.GetNodes(I)->Name();
  }
  return Result;
}

}  // namespace XmlTest
