// Looking at several nodes at once: the configurable structural comparison and the in-place
// sort of a node's children.
#include <vector>

#include "xml/XmlDocument.h"
#include "xml/XmlNode.h"
#include "xml/XmlText.h"

namespace Vorlane {

namespace {

bool SameText8(const UTF8String& A, const UTF8String& B) { return vxUTF8SameTextNoCase(A, B); }

// The tests of a node against its partner, in order; the first that fails decides.
bool OwnTestsPass(const TXmlNode* A, const TXmlNode* B, TXmlCompareOptions Options) {
  if (Options.Contains(xcNodeName) && !SameText8(A->Name(), B->Name())) return false;
  if (Options.Contains(xcNodeType) && A->ElementType() != B->ElementType()) return false;
  if (Options.Contains(xcNodeValue) && !SameText8(A->GetValueAsString(), B->GetValueAsString()))
    return false;
  if (Options.Contains(xcAttribCount) && A->GetAttributeCount() != B->GetAttributeCount())
    return false;
  if (Options.Contains(xcAttribNames) || Options.Contains(xcAttribValues)) {
    for (Integer I = 0; I < A->GetAttributeCount(); ++I) {
      Integer J = B->AttributeIndexByname(A->GetAttributeName(I));
      if (J < 0) {
        if (Options.Contains(xcAttribNames)) return false;
        continue;
      }
      if (Options.Contains(xcAttribValues) &&
          !SameText8(A->GetAttributeValue(I), B->GetAttributeValue(J)))
        return false;
    }
  }
  if (Options.Contains(xcChildCount) && A->GetNodeCount() != B->GetNodeCount()) return false;
  return true;
}

}  // namespace

bool TXmlNode::IsEqualTo(TXmlNode* ANode, TXmlCompareOptions Options,
                         TXmlNodeList* MismatchNodes) {
  if (!ANode) return false;
  const bool ChildPass = Options.Contains(xcChildNames) || Options.Contains(xcChildValues) ||
                         Options.Contains(xcRecursive);
  // The comparison of a child with its partner runs in the middle of the parent's child
  // pass, so each level keeps its place in a frame instead of on the call stack.
  struct TFrame {
    TXmlNode* Mine;
    TXmlNode* Theirs;
    Integer Next;
    bool ChildrenEqual;
  };
  std::vector<TFrame> Stack;
  Stack.push_back({this, ANode, 0, true});
  bool Result = false;
  bool Returned = false;
  while (!Stack.empty()) {
    TFrame& F = Stack.back();
    if (Returned) {
      if (!Result) F.ChildrenEqual = false;
      Returned = false;
    }
    bool Descended = false;
    while (ChildPass && F.Next < F.Mine->GetNodeCount()) {
      TXmlNode* C = F.Mine->GetNodes(F.Next++);
      if (!C) continue;
      TXmlNode* P = F.Theirs->GetNodes(F.Theirs->NodeIndexByName(C->Name()));
      if (P) {
        if (Options.Contains(xcChildValues) &&
            !SameText8(C->GetValueAsString(), P->GetValueAsString())) {
          if (MismatchNodes) MismatchNodes->Add(C);
          F.ChildrenEqual = false;
        }
        if (Options.Contains(xcRecursive)) {
          Stack.push_back({C, P, 0, true});
          Descended = true;
          break;
        }
      } else if (Options.Contains(xcChildNames)) {
        if (MismatchNodes) MismatchNodes->Add(C);
        F.ChildrenEqual = false;
      }
    }
    if (Descended) continue;
    bool Own = OwnTestsPass(F.Mine, F.Theirs, Options);
    if (!Own && MismatchNodes) MismatchNodes->Insert(0, F.Mine);
    Result = F.ChildrenEqual && Own;
    Stack.pop_back();
    Returned = true;
  }
  return Result;
}

Integer TXmlNode::SortCompare(TXMLNodeCompareFunction Compare, void* Info, TXmlNode* A,
                              TXmlNode* B) {
  if (Compare) return Compare(A, B, Info);
  if (FDocument && FDocument->OnNodeCompare()) return FDocument->OnNodeCompare()(FDocument, A, B, Info);
  return vxUTF8CompareNoCase(A->Name(), B->Name());
}

void TXmlNode::SortChildNodes(TXMLNodeCompareFunction Compare, void* Info) {
  if (GetNodeCount() < 2) return;
  // The classic partition sort with the middle element as pivot. The order of equal
  // elements, and so the normalized files, depends on every exchange it makes, so it stays
  // exactly this algorithm. Pending ranges live on an explicit stack, popped in the order the
  // recursive form would visit them (left part fully before right part), because a
  // degenerate order of children may need as many levels as there are children.
  struct TRange {
    Integer L;
    Integer R;
  };
  std::vector<TRange> Pending;
  Pending.push_back({0, GetNodeCount() - 1});
  while (!Pending.empty()) {
    const TRange Range = Pending.back();
    Pending.pop_back();
    Integer I = Range.L;
    Integer J = Range.R;
    Integer P = (Range.L + Range.R) / 2;
    do {
      // The bounds only matter for a compare routine that contradicts itself (it would run
      // off the list); a consistent one always stops at the pivot or at an element already
      // moved past it, so they never change the order or the calls made.
      while (I <= Range.R && SortCompare(Compare, Info, GetNodes(I), GetNodes(P)) < 0) ++I;
      while (J >= Range.L && SortCompare(Compare, Info, GetNodes(J), GetNodes(P)) > 0) --J;
      if (I <= J) {
        NodeExchange(I, J);
        if (P == I)
          P = J;
        else if (P == J)
          P = I;
        ++I;
        --J;
      }
    } while (I <= J);
    // A consistent comparison always makes at least one exchange, so both parts are smaller
    // than the range. Only a self-contradicting one can leave a part as large as the range;
    // sorting that part again would never end.
    if (I < Range.R && I > Range.L) Pending.push_back({I, Range.R});
    if (Range.L < J && J < Range.R) Pending.push_back({Range.L, J});
  }
}

}  // namespace Vorlane
