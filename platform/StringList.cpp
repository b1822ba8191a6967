#include "platform/StringList.h"

#include <algorithm>

namespace Vorlane {

TStringList::~TStringList() = default;

namespace {
[[noreturn]] void IndexError(Integer AIndex) {
  throw EListError(Format(u"List index out of bounds (%d)", {AIndex}));
}
}  // namespace

const UnicodeString& TStringList::Strings(Integer AIndex) const {
  if (AIndex < 0 || AIndex >= Count()) IndexError(AIndex);
  return FItems[static_cast<size_t>(AIndex)];
}

void TStringList::SetStrings(Integer AIndex, const UnicodeString& S) {
  if (AIndex < 0 || AIndex >= Count()) IndexError(AIndex);
  FItems[static_cast<size_t>(AIndex)] = S;
}

Integer TStringList::Add(const UnicodeString& S) {
  FItems.push_back(S);
  return Count() - 1;
}

void TStringList::AddStrings(const TStringList& AStrings) {
  FItems.insert(FItems.end(), AStrings.FItems.begin(), AStrings.FItems.end());
}

void TStringList::Insert(Integer AIndex, const UnicodeString& S) {
  if (AIndex < 0 || AIndex > Count()) IndexError(AIndex);
  FItems.insert(FItems.begin() + AIndex, S);
}

void TStringList::Delete(Integer AIndex) {
  if (AIndex < 0 || AIndex >= Count()) IndexError(AIndex);
  FItems.erase(FItems.begin() + AIndex);
}

void TStringList::Exchange(Integer AIndex1, Integer AIndex2) {
  if (AIndex1 < 0 || AIndex1 >= Count()) IndexError(AIndex1);
  if (AIndex2 < 0 || AIndex2 >= Count()) IndexError(AIndex2);
  std::swap(FItems[static_cast<size_t>(AIndex1)], FItems[static_cast<size_t>(AIndex2)]);
}

void TStringList::Clear() { FItems.clear(); }

Integer TStringList::IndexOf(const UnicodeString& S) const {
  for (size_t i = 0; i < FItems.size(); ++i)
    if (FCaseSensitive ? FItems[i] == S : AnsiSameText(FItems[i], S)) return static_cast<Integer>(i);
  return -1;
}

void TStringList::Sort() {
  if (FCaseSensitive)
    std::stable_sort(FItems.begin(), FItems.end());
  else
    std::stable_sort(FItems.begin(), FItems.end(),
                     [](const UnicodeString& A, const UnicodeString& B) { return AnsiCompareText(A, B) < 0; });
}

UnicodeString TStringList::Text() const {
  UnicodeString R;
  for (size_t i = 0; i < FItems.size(); ++i) {
    R += FItems[i];
    if (FTrailingLineBreak || i + 1 < FItems.size()) R += FLineBreak;
  }
  return R;
}

void TStringList::SetText(const UnicodeString& AText) {
  FItems.clear();
  size_t i = 0, n = AText.size();
  while (i < n) {
    size_t start = i;
    while (i < n && AText[i] != u'\r' && AText[i] != u'\n') ++i;
    FItems.push_back(AText.substr(start, i - start));
    if (i < n && AText[i] == u'\r') ++i;
    if (i < n && AText[i] == u'\n') ++i;
  }
}

void TStringList::LoadFromFile(const UnicodeString& AFileName, TEncoding* AEncoding) {
  TFileStream Stream(AFileName, fmOpenRead | fmShareDenyWrite);
  LoadFromStream(&Stream, AEncoding);
}

void TStringList::LoadFromStream(TStream* AStream, TEncoding* AEncoding) {
  Int64 size = AStream->Size() - AStream->Position();
  TBytes buffer(static_cast<size_t>(size > 0 ? size : 0));
  if (!buffer.empty()) AStream->ReadBuffer(buffer.data(), static_cast<Integer>(buffer.size()));
  // A byte-order mark wins over the encoding asked for.
  TEncoding* found = nullptr;
  Integer skip = TEncoding::GetBufferEncoding(buffer, found, nullptr);
  if (skip == 0) found = AEncoding ? AEncoding : TEncoding::ANSI();
  FEncoding = found;
  SetText(found->GetString(buffer.data() + skip, buffer.size() - static_cast<size_t>(skip)));
}

void TStringList::SaveToFile(const UnicodeString& AFileName, TEncoding* AEncoding) const {
  TFileStream Stream(AFileName, fmCreate);
  SaveToStream(&Stream, AEncoding);
}

void TStringList::SaveToStream(TStream* AStream, TEncoding* AEncoding) const {
  TEncoding* E = AEncoding ? AEncoding : FEncoding ? FEncoding : FDefaultEncoding ? FDefaultEncoding : TEncoding::ANSI();
  TBytes bytes = FWriteBOM ? E->GetPreamble() : TBytes();
  TBytes body = E->GetBytes(Text());
  bytes.insert(bytes.end(), body.begin(), body.end());
  if (!bytes.empty()) AStream->WriteBuffer(bytes.data(), static_cast<Integer>(bytes.size()));
}

}  // namespace Vorlane
