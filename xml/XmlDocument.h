// The XML document: root-level nodes, document-wide settings read by every node, the parse
// and write events, and the stream stack used for loading and saving.
#pragma once

#include <functional>
#include <memory>

#include "platform/Classes.h"
#include "platform/Types.h"
#include "xml/XmlTypes.h"

namespace Vorlane {

class TXmlNode;
class TXmlDocument;
class TvxCodecStream;

// Output layout: indented with CR LF, or one line per root-level node.
enum TXmlFormatType { xfReadable, xfCompact };

// Text form of binary node values.
enum TBinaryEncodingType { xbeBinHex, xbeBase64 };

// Events. Sender is always the document that raises them.
using TXmlNodeEvent = std::function<void(TXmlDocument* Sender, TXmlNode* Node)>;
// Size carries the low 32 bits of a stream position.
using TXmlProgressEvent = std::function<void(TXmlDocument* Sender, Integer Size)>;
using TXmlNodeCompareEvent =
    std::function<Integer(TXmlDocument* Sender, TXmlNode* Node1, TXmlNode* Node2, void* Info)>;
using TXmlNotifyEvent = std::function<void(TXmlDocument* Sender)>;

// Defaults applied by SetDefaults and Clear; a derived document changes them in its own Clear.
inline constexpr const char* cDefaultEncodingString = "UTF-8";
inline constexpr TStringEncodingType cDefaultExternalEncoding = seUTF8;
inline constexpr const char* cDefaultVersionString = "1.0";
inline constexpr TXmlFormatType cDefaultXmlFormat = xfCompact;
inline constexpr bool cDefaultWriteOnDefault = true;
inline constexpr TBinaryEncodingType cDefaultBinaryEncoding = xbeBase64;
inline constexpr const char* cDefaultIndentString = "  ";
inline constexpr bool cDefaultDropCommentsOnParse = false;
inline constexpr bool cDefaultUseFullNodes = false;
inline constexpr bool cDefaultUseLocalBias = false;
inline constexpr bool cDefaultFloatAllowScientific = true;
inline constexpr Integer cDefaultFloatSignificantDigits = 6;

class TXmlDocument {
 public:
  // Builds a cleared document (declaration plus an unnamed root element). C++ runs the
  // base-class Clear here even for derived documents: a derived class whose Clear differs
  // calls Clear() again in its own constructor.
  TXmlDocument();
  // As the default constructor, then names the root element (raises for an illegal name).
  explicit TXmlDocument(const UTF8String& ARootName);
  virtual ~TXmlDocument();
  TXmlDocument(const TXmlDocument&) = delete;
  TXmlDocument& operator=(const TXmlDocument&) = delete;

  // Deep copy of settings (not events) and root-level nodes; a nil source raises
  // EConvertError.
  virtual void Assign(TXmlDocument* Source);
  // The node's children become the root-level nodes.
  void Assign(TXmlNode* Source);

  virtual void Clear();
  virtual bool IsEmpty();
  virtual void LoadFromStream(TStream* Stream);
  virtual void LoadFromFile(const UnicodeString& AFileName);
  virtual void ReadFromString(const UTF8String& AValue);
  virtual void SaveToStream(TStream* Stream);
  virtual void SaveToFile(const UnicodeString& AFileName);
  virtual UTF8String WriteToString();

  // Expands references to entities declared in the internal DTD subset.
  void ResolveEntityReferences();
  UTF8String GetEntityByName(const UTF8String& AName);

  // Root element: the first root-level node of kind xeNormal, nullptr when there is none.
  TXmlNode* GetRoot();
  // The container node whose children are the root-level nodes.
  TXmlNode* RootNodeList() { return FRootNodes.get(); }
  // First root-level style-sheet instruction; one is created when there is none.
  TXmlNode* GetStyleSheetNode();
  bool GetUtf8Encoded() { return true; }

  UTF8String GetCommentString();
  void SetCommentString(const UTF8String& AValue);
  UTF8String GetEncodingString();
  void SetEncodingString(const UTF8String& AValue);
  UTF8String GetVersionString();
  void SetVersionString(const UTF8String& AValue);

  bool AbortParsing() const { return FAbortParsing; }
  void SetAbortParsing(bool AValue) { FAbortParsing = AValue; }
  TBinaryEncodingType BinaryEncoding() const { return FBinaryEncoding; }
  void SetBinaryEncoding(TBinaryEncodingType AValue) { FBinaryEncoding = AValue; }
  bool DropCommentsOnParse() const { return FDropCommentsOnParse; }
  void SetDropCommentsOnParse(bool AValue) { FDropCommentsOnParse = AValue; }
  TStringEncodingType ExternalEncoding() const { return FExternalEncoding; }
  void SetExternalEncoding(TStringEncodingType AValue) { FExternalEncoding = AValue; }
  bool FloatAllowScientific() const { return FFloatAllowScientific; }
  void SetFloatAllowScientific(bool AValue) { FFloatAllowScientific = AValue; }
  Integer FloatSignificantDigits() const { return FFloatSignificantDigits; }
  void SetFloatSignificantDigits(Integer AValue) { FFloatSignificantDigits = AValue; }
  bool ParserWarnings() const { return FParserWarnings; }
  void SetParserWarnings(bool AValue) { FParserWarnings = AValue; }
  const UTF8String& IndentString() const { return FIndentString; }
  void SetIndentString(const UTF8String& AValue) { FIndentString = AValue; }
  bool UseFullNodes() const { return FUseFullNodes; }
  void SetUseFullNodes(bool AValue) { FUseFullNodes = AValue; }
  bool UseLocalBias() const { return FUseLocalBias; }
  void SetUseLocalBias(bool AValue) { FUseLocalBias = AValue; }
  bool WriteOnDefault() const { return FWriteOnDefault; }
  void SetWriteOnDefault(bool AValue) { FWriteOnDefault = AValue; }
  TXmlFormatType XmlFormat() const { return FXmlFormat; }
  void SetXmlFormat(TXmlFormatType AValue) { FXmlFormat = AValue; }

  const TXmlNodeCompareEvent& OnNodeCompare() const { return FOnNodeCompare; }
  void SetOnNodeCompare(TXmlNodeCompareEvent AValue) { FOnNodeCompare = std::move(AValue); }
  const TXmlNodeEvent& OnNodeNew() const { return FOnNodeNew; }
  void SetOnNodeNew(TXmlNodeEvent AValue) { FOnNodeNew = std::move(AValue); }
  const TXmlNodeEvent& OnNodeLoaded() const { return FOnNodeLoaded; }
  void SetOnNodeLoaded(TXmlNodeEvent AValue) { FOnNodeLoaded = std::move(AValue); }
  const TXmlProgressEvent& OnProgress() const { return FOnProgress; }
  void SetOnProgress(TXmlProgressEvent AValue) { FOnProgress = std::move(AValue); }
  const TXmlNotifyEvent& OnUnicodeLoss() const { return FOnUnicodeLoss; }
  void SetOnUnicodeLoss(TXmlNotifyEvent AValue) { FOnUnicodeLoss = std::move(AValue); }

 protected:
  // Assign when Source is assigned; nothing for nullptr.
  virtual void CopyFrom(TXmlDocument* Source);
  // Written after every root-level node: CR LF when readable, LF when compact.
  virtual UTF8String LineFeed();
  virtual void ParseDTD(TXmlNode* ANode, TStream* AStream);
  virtual void ReadFromStream(TStream* AStream);
  virtual void WriteToStream(TStream* AStream);
  virtual void SetDefaults();

  void DoNodeNew(TXmlNode* Node);
  void DoNodeLoaded(TXmlNode* Node);
  void DoProgress(Integer Size);
  void DoUnicodeLoss(void* Sender);

  // Nodes read the document's settings and raise its events while they parse and write.
  friend class TXmlNode;

 private:
  // Reads node trees with an explicit stack (see the parser).
  class TTreeReader;
  // Reads ordinary documents held in memory as a whole (see the buffer reader).
  class TBufferReader;
  // The reader of the load under way, if any: ParseDTD's reader shares its limits.
  TTreeReader* FActiveReader = nullptr;
  // The stream LoadFromStream reads through FCodecStream, while it does.
  TStream* FLoadSource = nullptr;

  // Reads the whole input at once with the buffer reader when it builds the tree the stream
  // reader would; false, with the input and the document as they were, when it does not.
  bool ReadWholeInput(TStream* AStream);
  // The checks of the root-level nodes at the end of a load.
  void CheckRootNodes();

  // Frees every root-level node without recursing once per tree level.
  void FreeRootNodes();

  bool FAbortParsing = false;
  TBinaryEncodingType FBinaryEncoding = cDefaultBinaryEncoding;
  TvxCodecStream* FCodecStream = nullptr;
  bool FDropCommentsOnParse = cDefaultDropCommentsOnParse;
  TStringEncodingType FExternalEncoding = cDefaultExternalEncoding;
  bool FFloatAllowScientific = cDefaultFloatAllowScientific;
  Integer FFloatSignificantDigits = cDefaultFloatSignificantDigits;
  bool FParserWarnings = false;
  std::unique_ptr<TXmlNode> FRootNodes;
  UTF8String FIndentString = cDefaultIndentString;
  bool FUseFullNodes = cDefaultUseFullNodes;
  bool FUseLocalBias = cDefaultUseLocalBias;
  bool FWriteOnDefault = cDefaultWriteOnDefault;
  TXmlFormatType FXmlFormat = cDefaultXmlFormat;
  TXmlNodeCompareEvent FOnNodeCompare;
  TXmlNodeEvent FOnNodeNew;
  TXmlNodeEvent FOnNodeLoaded;
  TXmlProgressEvent FOnProgress;
  TXmlNotifyEvent FOnUnicodeLoss;
};

}  // namespace Vorlane
