// The node of the XML document model: one element, comment, declaration, CDATA section, DTD
// item or run of character data, with its name, its value (kept escaped, as written in the
// document text), its attributes (kept as finished "name=quoted value" entries) and its
// children. Child operations and searches report "not found" and "out of range" through
// their results (nullptr, -1, empty text, no action) instead of raising.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/Classes.h"
#include "platform/SysUtils.h"
#include "platform/Types.h"
// Only for the setting enumerations (TBinaryEncodingType); that header does not need this one.
#include "xml/XmlDocument.h"
#include "xml/XmlTypes.h"

namespace Vorlane {

class TXmlDocument;
class TXmlNode;
class TvxUTF8StringList;

// ---------------------------------------------------------------------------------------------
// Comparison options of TXmlNode::IsEqualTo. The ordinals are fixed.

enum TXmlCompareOption {
  xcNodeName,
  xcNodeType,
  xcNodeValue,
  xcAttribCount,
  xcAttribNames,
  xcAttribValues,
  xcChildCount,
  xcChildNames,
  xcChildValues,
  xcRecursive
};

// A set of TXmlCompareOption.
class TXmlCompareOptions {
 public:
  constexpr TXmlCompareOptions() = default;
  constexpr TXmlCompareOptions(std::initializer_list<TXmlCompareOption> AOptions) {
    for (TXmlCompareOption O : AOptions) FBits |= Bit(O);
  }
  constexpr bool Contains(TXmlCompareOption AOption) const { return (FBits & Bit(AOption)) != 0; }
  constexpr bool Empty() const { return FBits == 0; }
  constexpr TXmlCompareOptions& Include(TXmlCompareOption AOption) {
    FBits |= Bit(AOption);
    return *this;
  }
  constexpr TXmlCompareOptions& Exclude(TXmlCompareOption AOption) {
    FBits &= static_cast<std::uint16_t>(~Bit(AOption));
    return *this;
  }
  friend constexpr bool operator==(TXmlCompareOptions A, TXmlCompareOptions B) {
    return A.FBits == B.FBits;
  }
  friend constexpr TXmlCompareOptions operator+(TXmlCompareOptions A, TXmlCompareOptions B) {
    TXmlCompareOptions R;
    R.FBits = static_cast<std::uint16_t>(A.FBits | B.FBits);
    return R;
  }
  friend constexpr TXmlCompareOptions operator-(TXmlCompareOptions A, TXmlCompareOptions B) {
    TXmlCompareOptions R;
    R.FBits = static_cast<std::uint16_t>(A.FBits & ~B.FBits);
    return R;
  }

 private:
  static constexpr std::uint16_t Bit(TXmlCompareOption O) {
    return static_cast<std::uint16_t>(1u << static_cast<unsigned>(O));
  }
  std::uint16_t FBits = 0;
};

// A plain compare routine for SortChildNodes: negative when Node1 sorts before Node2, 0 when
// they are equal, positive when after. Info is handed through unchanged.
using TXMLNodeCompareFunction = Integer (*)(TXmlNode* Node1, TXmlNode* Node2, void* Info);

// ---------------------------------------------------------------------------------------------
// A list of node references filled by searches. The caller creates and frees it; it never
// owns its nodes.

class TXmlNodeList {
 public:
  TXmlNodeList() = default;

  Integer Count() const { return static_cast<Integer>(FItems.size()); }
  // Indexes out of range raise EListError "List index out of bounds (%d)".
  TXmlNode* GetItems(Integer Index) const;
  void SetItems(Integer Index, TXmlNode* Value);
  TXmlNode* operator[](Integer Index) const { return GetItems(Index); }

  Integer Add(TXmlNode* Item);
  // Index may equal Count (appends); beyond that raises EListError.
  void Insert(Integer Index, TXmlNode* Item);
  void Delete(Integer Index);
  // Removes the first entry of Item and returns its former index, -1 when absent.
  Integer Remove(TXmlNode* Item);
  Integer IndexOf(const TXmlNode* Item) const;
  void Exchange(Integer Index1, Integer Index2);
  void Clear() { FItems.clear(); }

  // The first node whose attribute AName (unescaped, empty when missing) matches AValue
  // ignoring case; nullptr when none.
  TXmlNode* ByAttribute(const UTF8String& AName, const UTF8String& AValue) const;

  std::vector<TXmlNode*>::const_iterator begin() const { return FItems.begin(); }
  std::vector<TXmlNode*>::const_iterator end() const { return FItems.end(); }

 private:
  void CheckIndex(Integer Index, Integer ACount) const;
  std::vector<TXmlNode*> FItems;
};

// ---------------------------------------------------------------------------------------------

class TXmlNode {
 public:
  // An empty xeNormal node of ADocument: no name, no value, no lists, no parent.
  explicit TXmlNode(TXmlDocument* ADocument = nullptr);
  // The name goes through SetName, so an illegal name raises and no node results.
  TXmlNode(TXmlDocument* ADocument, const UTF8String& AName);
  // Name through SetName, value through SetValueAsString (escaped for storage).
  TXmlNode(TXmlDocument* ADocument, const UTF8String& AName, const UTF8String& AValue);
  TXmlNode(TXmlDocument* ADocument, TXmlElementType AType);
  // Destroys the whole subtree. A node with a parent is removed through the parent
  // (Delete, NodeDelete, NodeRemove), never by destroying it directly.
  virtual ~TXmlNode();
  TXmlNode(const TXmlNode&) = delete;
  TXmlNode& operator=(const TXmlNode&) = delete;

  // Plain nodes come from the model's object pool (see XmlPool.h); a derived class of another
  // size from the heap.
  static void* operator new(std::size_t ASize);
  static void operator delete(void* ANode, std::size_t ASize);

  // Factories under the design's constructor names; the caller owns the result.
  static TXmlNode* Create(TXmlDocument* ADocument);
  static TXmlNode* CreateName(TXmlDocument* ADocument, const UTF8String& AName);
  static TXmlNode* CreateNameValue(TXmlDocument* ADocument, const UTF8String& AName,
                                   const UTF8String& AValue);
  static TXmlNode* CreateType(TXmlDocument* ADocument, TXmlElementType AType);

  // ----- whole node ---------------------------------------------------------------------------

  // Deep copy of kind, name, tag, value, attributes and children (children built by
  // NodeNew); this node keeps its document and parent. A nil source raises EConvertError.
  virtual void Assign(TXmlNode* Source);
  // Copies of the document's root-level nodes become this node's children.
  void Assign(TXmlDocument* Source);
  // Sets the document of this node and of every descendant.
  void ChangeDocument(TXmlDocument* ADocument);
  // Empties name and value, attributes and children; kind, tag, parent and document stay.
  virtual void Clear();
  // No value, no child, no attribute (the name does not count).
  virtual bool IsEmpty() const;
  // No name and IsEmpty.
  virtual bool IsClear() const;
  // Removes and destroys this node through its parent; without a parent nothing happens.
  virtual void Delete();
  void DeleteEmptyAttributes();
  // Deletes, bottom-up, every descendant that is empty once its own empty children are gone.
  void DeleteEmptyNodes();

  // ----- name and stored value ----------------------------------------------------------------

  const UTF8String& Name() const { return FName; }
  // Refuses TAB, LF, CR and blank with Exception "Illegal character in node name "%s"".
  void SetName(const UTF8String& AName);
  virtual UTF8String UnescapeString(const UTF8String& AText) const;
  UTF8String GetValueAsString() const;
  void SetValueAsString(const UTF8String& AValue);
  UnicodeString GetValueAsUnicodeString() const;
  void SetValueAsUnicodeString(const UnicodeString& AValue);
  // The stored (escaped) value, unchanged both ways.
  const UTF8String& ValueDirect() const { return FValue; }
  void SetValueDirect(const UTF8String& AValue) { FValue = AValue; }
  void SetValueDirect(UTF8String&& AValue) { FValue = std::move(AValue); }

  TXmlElementType ElementType() const { return FElementType; }
  void SetElementType(TXmlElementType AValue) { FElementType = AValue; }
  Integer Tag() const { return FTag; }
  void SetTag(Integer AValue) { FTag = AValue; }
  // Writing Parent or Document changes that one field only.
  TXmlNode* Parent() const { return FParent; }
  void SetParent(TXmlNode* AValue) { FParent = AValue; }
  TXmlDocument* Document() const { return FDocument; }
  void SetDocument(TXmlDocument* AValue) { FDocument = AValue; }

  // ----- document settings, read through the document (fixed values without one) -------------

  bool AbortParsing() const;
  bool FloatAllowScientific() const;
  Integer FloatSignificantDigits() const;
  bool UseFullNodes() const;
  bool UseLocalBias() const;
  bool GetWriteOnDefault() const;
  TBinaryEncodingType GetBinaryEncoding() const;
  // Writes the document's setting; nothing without a document.
  void SetBinaryEncoding(TBinaryEncodingType AValue);

  // ----- attributes (indexes from 0) -----------------------------------------------------------

  void CheckCreateAttributesList();
  Integer GetAttributeCount() const;
  // Appends name="escaped value"; an existing entry of that name is kept.
  void AttributeAdd(const UTF8String& AName, const UTF8String& AValue);
  void AttributeAdd(const UTF8String& AName, Integer AValue);
  void AttributeDelete(Integer Index);
  void AttributeExchange(Integer Index1, Integer Index2);
  // First entry whose name matches (ASCII letters folded); -1 when none.
  Integer AttributeIndexByname(const UTF8String& AName) const;
  virtual void AttributesClear();
  virtual bool HasAttribute(const UTF8String& AName) const;

  // Unquoted and unescaped; empty when missing.
  UTF8String GetAttributeByName(const UTF8String& AName) const;
  // GetAttributeByName without a copy where the stored value is the value itself (quoted, with
  // no reference and no doubled quote): AValue then views the node's own text, valid until its
  // attributes change. True with an empty view when the attribute is missing; false when the
  // value has to be unescaped, which only GetAttributeByName does.
  bool GetAttributeByNameInPlace(const UTF8String& AName, std::string_view& AValue) const;
  void SetAttributeByName(const UTF8String& AName, const UTF8String& Value);
  UnicodeString GetAttributeByNameWide(const UTF8String& AName) const;
  void SetAttributeByNameWide(const UTF8String& AName, const UnicodeString& Value);
  UTF8String GetAttributeName(Integer Index) const;
  void SetAttributeName(Integer Index, const UTF8String& Value);
  // The whole stored entry.
  UTF8String GetAttributePair(Integer Index) const;
  UTF8String GetAttributeValue(Integer Index) const;
  void SetAttributeValue(Integer Index, const UTF8String& Value);
  // Unquoted only, still escaped.
  UTF8String GetAttributeValueDirect(Integer Index) const;
  // Quoted without escaping.
  void SetAttributeValueDirect(Integer Index, const UTF8String& Value);
  // 0 when the value is not an integer or the index is out of range.
  Integer GetAttributeValueAsInteger(Integer Index) const;
  void SetAttributeValueAsInteger(Integer Index, Integer Value);
  UnicodeString GetAttributeValueAsUnicodeString(Integer Index) const;
  void SetAttributeValueAsUnicodeString(Integer Index, const UnicodeString& Value);

  // ----- children --------------------------------------------------------------------------------

  virtual Integer GetNodeCount() const;
  // nullptr out of range.
  virtual TXmlNode* GetNodes(Integer Index) const;
  Integer NodeIndexOf(const TXmlNode* ANode) const;
  Integer IndexInParent() const;

  // Takes ownership of a free (or extracted) node, moves its subtree to this document and
  // returns its index; -1 for nullptr.
  virtual Integer NodeAdd(TXmlNode* ANode);
  // Always a plain TXmlNode on this node's document, appended.
  virtual TXmlNode* NodeNew(const UTF8String& AName);
  // nullptr (nothing created) when Index < 0 or Index > NodeCount.
  virtual TXmlNode* NodeNewAtIndex(Integer Index, const UTF8String& AName);
  // Nothing for nullptr or Index outside 0..NodeCount; does not change ANode's document.
  virtual void NodeInsert(Integer Index, TXmlNode* ANode);
  virtual TXmlNode* NodeFindOrCreate(const UTF8String& AName);

  virtual void NodeDelete(Integer Index);
  // Destroys ANode when it is a child and returns its former index; -1 otherwise.
  Integer NodeRemove(TXmlNode* ANode);
  // Hands a child to the caller (who owns it then); nullptr when ANode is not a child.
  // ANode's parent link still names this node.
  virtual TXmlNode* NodeExtract(TXmlNode* ANode);
  virtual void NodesClear();
  void NodeExchange(Integer Index1, Integer Index2);

  virtual TXmlNode* NodeByName(const UTF8String& AName) const;
  virtual Integer NodeIndexByName(const UTF8String& AName) const;
  virtual Integer NodeIndexByNameFrom(const UTF8String& AName, Integer AFrom) const;
  TXmlNode* NodeByElementType(TXmlElementType ElementType) const;
  // Clears AList and fills it with the children named AName; nothing for a nil list.
  void NodesByName(const UTF8String& AName, TXmlNodeList* AList) const;
  // Depth-first in document order, each node tested before its descendants.
  TXmlNode* NodeByAttributeValue(const UTF8String& NodeName, const UTF8String& AttribName,
                                 const UTF8String& AttribValue, bool ShouldRecurse = true) const;

  // A name that begins with "/" is compared with FullPath, any other with the name.
  Integer CompareNodeName(const UTF8String& NodeName) const;
  // Descendants only, depth-first in document order.
  TXmlNode* FindNode(const UTF8String& NodeName) const;
  void FindNodes(const UTF8String& NodeName, TXmlNodeList* AList) const;

  Integer GetTreeDepth() const;
  UTF8String GetFullPath() const;
  UTF8String GetCascadedName() const;
  Integer GetTotalNodeCount() const;

  // ----- comparison and sorting ------------------------------------------------------------------

  bool IsEqualTo(TXmlNode* ANode, TXmlCompareOptions Options,
                 TXmlNodeList* MismatchNodes = nullptr);
  // In-place partition sort of the children, moving them only by NodeExchange. The order
  // comes from Compare, else the document's OnNodeCompare, else the names ignoring case.
  void SortChildNodes(TXMLNodeCompareFunction Compare = nullptr, void* Info = nullptr);

  // ----- typed value of the node itself ----------------------------------------------------------

  // Strict: raise on text that does not convert.
  bool GetValueAsBool() const;
  void SetValueAsBool(bool Value);
  Integer GetValueAsInteger() const;
  void SetValueAsInteger(Integer Value);
  Int64 GetValueAsInt64() const;
  void SetValueAsInt64(Int64 Value);
  double GetValueAsFloat() const;
  void SetValueAsFloat(double Value);
  TDateTime GetValueAsDateTime() const;
  void SetValueAsDateTime(TDateTime Value);

  // Lenient: the default for text that does not convert.
  virtual bool ValueAsBoolDef(bool ADefault) const;
  virtual Integer ValueAsIntegerDef(Integer ADefault) const;
  virtual Int64 ValueAsInt64Def(Int64 ADefault) const;
  virtual double ValueAsFloatDef(double ADefault) const;
  virtual TDateTime ValueAsDateTimeDef(TDateTime ADefault) const;

  // ----- named child elements --------------------------------------------------------------------

  virtual bool ReadBool(const UTF8String& AName, bool ADefault = false) const;
  virtual Integer ReadInteger(const UTF8String& AName, Integer ADefault = 0) const;
  virtual Int64 ReadInt64(const UTF8String& AName, Int64 ADefault = 0) const;
  virtual double ReadFloat(const UTF8String& AName, double ADefault = 0.0) const;
  virtual UTF8String ReadString(const UTF8String& AName, const UTF8String& ADefault = UTF8String()) const;
  virtual UnicodeString ReadUnicodeString(const UTF8String& AName,
                                          const UnicodeString& ADefault = UnicodeString()) const;
  virtual TDateTime ReadDateTime(const UTF8String& AName, TDateTime ADefault = 0) const;

  // Each writes when WriteOnDefault holds or AValue differs from ADefault.
  virtual void WriteBool(const UTF8String& AName, bool AValue, bool ADefault = false);
  virtual void WriteInteger(const UTF8String& AName, Integer AValue, Integer ADefault = 0);
  virtual void WriteInt64(const UTF8String& AName, Int64 AValue, Int64 ADefault = 0);
  virtual void WriteFloat(const UTF8String& AName, double AValue, double ADefault = 0.0);
  virtual void WriteHex(const UTF8String& AName, Integer AValue, Integer Digits,
                        Integer ADefault = 0);
  virtual void WriteString(const UTF8String& AName, const UTF8String& AValue,
                           const UTF8String& ADefault = UTF8String());
  virtual void WriteUnicodeString(const UTF8String& AName, const UnicodeString& AValue,
                                  const UnicodeString& ADefault = UnicodeString());
  virtual void WriteDateTime(const UTF8String& AName, TDateTime AValue, TDateTime ADefault = 0);

  // ----- named attributes ------------------------------------------------------------------------

  virtual bool ReadAttributeBool(const UTF8String& AName, bool ADefault = false) const;
  virtual Integer ReadAttributeInteger(const UTF8String& AName, Integer ADefault = 0) const;
  virtual Int64 ReadAttributeInt64(const UTF8String& AName, Int64 ADefault = 0) const;
  double ReadAttributeFloat(const UTF8String& AName, double ADefault = 0.0) const;
  virtual TDateTime ReadAttributeDateTime(const UTF8String& AName, TDateTime ADefault = 0) const;
  virtual UTF8String ReadAttributeString(const UTF8String& AName,
                                         const UTF8String& ADefault = UTF8String()) const;

  virtual void WriteAttributeBool(const UTF8String& AName, bool AValue, bool ADefault = false);
  virtual void WriteAttributeInteger(const UTF8String& AName, Integer AValue, Integer ADefault = 0);
  virtual void WriteAttributeInt64(const UTF8String& AName, Int64 AValue, Int64 ADefault = 0);
  virtual void WriteAttributeFloat(const UTF8String& AName, double AValue, double ADefault = 0.0);
  virtual void WriteAttributeDateTime(const UTF8String& AName, TDateTime AValue,
                                      TDateTime ADefault = 0);
  virtual void WriteAttributeString(const UTF8String& AName, const UTF8String& AValue,
                                    const UTF8String& ADefault = UTF8String());

  // ----- binary values ---------------------------------------------------------------------------

  // Bytes the value decodes to; EFilerError "Error while calculating streamlength" for an
  // impossible length.
  virtual Integer BufferLength() const;
  virtual void BufferRead(void* Buffer, Integer Count) const;
  virtual void BufferWrite(const void* Buffer, Integer Count);
  // Always Base64 while the call runs (with a document); the setting is restored after.
  RawByteString GetBinaryString();
  void SetBinaryString(const RawByteString& Value);

  static UTF8String FromAnsiString(const AnsiString& S);
  static UTF8String FromUnicodeString(const UnicodeString& W);
  static UnicodeString ToUnicodeString(const UTF8String& S);

  // ----- XML text (parser and writer) ------------------------------------------------------------

  virtual UTF8String WriteToString();
  // Expands references to the document's declared entities in this subtree.
  void ResolveEntityReferences();

 protected:
  // Reads one node and, for an element, its whole content from UTF-8 input.
  virtual void ReadFromStream(TStream* AStream);
  virtual void ReadFromString(const UTF8String& AValue);
  // Fills name and attributes from the tag text AValue[First..Close).
  void ParseTag(const UTF8String& AValue, Integer First, Integer Close);
  // Attribute entries each after a blank, then "/" when the node is written as <a/>.
  virtual UTF8String WriteInnerTag();
  virtual void WriteToStream(TStream* AStream);
  bool QualifyAsDirectNode() const;
  UTF8String GetIndent() const;
  UTF8String GetLineFeed() const;

  friend class TXmlDocument;
  // The model's own walks over whole trees (writer, teardown) reach the lists of plain nodes
  // directly, without a virtual call per child.
  friend struct TXmlNodeAccess;

  // A child list; the list object itself comes from the pool.
  struct TNodeVector : std::vector<TXmlNode*> {
    using std::vector<TXmlNode*>::vector;
    static void* operator new(std::size_t ASize);
    static void operator delete(void* AList, std::size_t ASize);
  };

  UTF8String FName;
  UTF8String FValue;
  // Created on first need; nullptr while the node has no attribute list.
  std::unique_ptr<TvxUTF8StringList> FAttributes;
  // Created on first need; nullptr while the node has had no child. Owns its nodes.
  std::unique_ptr<TNodeVector> FNodes;
  TXmlNode* FParent = nullptr;
  TXmlDocument* FDocument = nullptr;
  TXmlElementType FElementType = xeNormal;
  Integer FTag = 0;

 private:
  // Destroys every child and its subtree without recursing once per tree level.
  void FreeChildren();
  // The writer's way to the virtual WriteInnerTag of a node of a derived class.
  static UTF8String CallWriteInnerTag(TXmlNode* ANode);
  // The comparison SortChildNodes uses for one pair.
  Integer SortCompare(TXMLNodeCompareFunction Compare, void* Info, TXmlNode* A, TXmlNode* B);
  // Copies kind, name, tag, value and attributes of Source (not its children).
  void AssignOwn(const TXmlNode* Source);
  void AssignTree(TXmlNode* Source);
};

}  // namespace Vorlane
