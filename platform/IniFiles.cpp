#include "platform/IniFiles.h"

#include "platform/FileSystem.h"
#include "platform/StringList.h"

namespace Vorlane {

namespace {

bool IsBlank(const UnicodeString& S) { return Trim(S).empty(); }

}  // namespace

TMemIniFile::TMemIniFile(const UnicodeString& AFileName)
    : FFileName(AFileName), FEncoding(TEncoding::UTF8NoBOM()) {
  FSections.push_back(TSection());
  if (!FileExists(AFileName)) return;
  const TBytes Bytes = TFile::ReadAllBytes(AFileName);
  TEncoding* Found = nullptr;
  const Integer Skip = TEncoding::GetBufferEncoding(Bytes, Found, nullptr);
  UnicodeString Text;
  if (Skip > 0) {
    FEncoding = Found;
    FWriteBOM = true;
    Text = Found->GetString(Bytes.data() + Skip, Bytes.size() - static_cast<size_t>(Skip));
  } else {
    // Without a mark, text that is valid UTF-8 comes back byte for byte; anything else is
    // read in the Ansi code page, which maps every byte, so a save loses nothing.
    Text = FEncoding->GetString(Bytes);
    if (FEncoding->GetBytes(Text) != Bytes) {
      FEncoding = TEncoding::ANSI();
      Text = FEncoding->GetString(Bytes);
    }
  }
  Parse(Text);
}

void TMemIniFile::Parse(const UnicodeString& AText) {
  TStringList Lines;
  Lines.SetText(AText);
  for (const UnicodeString& Line : Lines) {
    const UnicodeString Trimmed = Trim(Line);
    if (Trimmed.size() >= 2 && Trimmed.front() == u'[' && Trimmed.back() == u']') {
      TSection Section;
      Section.Name = Trim(Trimmed.substr(1, Trimmed.size() - 2));
      Section.Header = Line;
      Section.HasHeader = true;
      FSections.push_back(std::move(Section));
      continue;
    }
    TLine Entry;
    Entry.Text = Line;
    const size_t Eq = Line.find(u'=');
    if (Eq != UnicodeString::npos && !Trimmed.starts_with(u';')) {
      Entry.IsKey = true;
      Entry.Ident = Trim(Line.substr(0, Eq));
      Entry.Value = Trim(Line.substr(Eq + 1));
    }
    FSections.back().Lines.push_back(std::move(Entry));
  }
}

TMemIniFile::TLine* TMemIniFile::FindKey(const UnicodeString& ASection, const UnicodeString& AIdent) {
  for (TSection& Section : FSections) {
    if (!Section.HasHeader || !AnsiSameText(Section.Name, ASection)) continue;
    for (TLine& Line : Section.Lines)
      if (Line.IsKey && AnsiSameText(Line.Ident, AIdent)) return &Line;
  }
  return nullptr;
}

const TMemIniFile::TLine* TMemIniFile::FindKey(const UnicodeString& ASection, const UnicodeString& AIdent) const {
  return const_cast<TMemIniFile*>(this)->FindKey(ASection, AIdent);
}

bool TMemIniFile::SectionExists(const UnicodeString& ASection) const {
  for (const TSection& Section : FSections)
    if (Section.HasHeader && AnsiSameText(Section.Name, ASection)) return true;
  return false;
}

bool TMemIniFile::ValueExists(const UnicodeString& ASection, const UnicodeString& AIdent) const {
  return FindKey(ASection, AIdent) != nullptr;
}

UnicodeString TMemIniFile::ReadString(const UnicodeString& ASection, const UnicodeString& AIdent,
                                      const UnicodeString& ADefault) const {
  const TLine* Line = FindKey(ASection, AIdent);
  return Line ? Line->Value : ADefault;
}

Integer TMemIniFile::ReadInteger(const UnicodeString& ASection, const UnicodeString& AIdent, Integer ADefault) const {
  return StrToIntDef(ReadString(ASection, AIdent, UnicodeString()), ADefault);
}

bool TMemIniFile::ReadBool(const UnicodeString& ASection, const UnicodeString& AIdent, bool ADefault) const {
  return ReadInteger(ASection, AIdent, ADefault ? 1 : 0) != 0;
}

void TMemIniFile::WriteString(const UnicodeString& ASection, const UnicodeString& AIdent,
                              const UnicodeString& AValue) {
  TLine Entry;
  Entry.Text = AIdent + u"=" + AValue;
  Entry.Ident = AIdent;
  Entry.Value = Trim(AValue);
  Entry.IsKey = true;
  if (TLine* Existing = FindKey(ASection, AIdent)) {
    *Existing = std::move(Entry);
    return;
  }
  TSection* Target = nullptr;
  for (TSection& Section : FSections)
    if (Section.HasHeader && AnsiSameText(Section.Name, ASection)) Target = &Section;
  if (!Target) {
    // A blank line keeps the new section apart from what stands before it.
    TSection& Last = FSections.back();
    if (Last.HasHeader || !Last.Lines.empty())
      if (Last.Lines.empty() || !IsBlank(Last.Lines.back().Text)) Last.Lines.push_back(TLine());
    TSection Section;
    Section.Name = ASection;
    Section.Header = u"[" + ASection + u"]";
    Section.HasHeader = true;
    FSections.push_back(std::move(Section));
    Target = &FSections.back();
  }
  // After the last entry, ahead of the blank lines that separate the section from the next.
  auto Pos = Target->Lines.end();
  while (Pos != Target->Lines.begin() && IsBlank((Pos - 1)->Text)) --Pos;
  Target->Lines.insert(Pos, std::move(Entry));
}

void TMemIniFile::WriteBool(const UnicodeString& ASection, const UnicodeString& AIdent, bool AValue) {
  WriteString(ASection, AIdent, AValue ? u"1" : u"0");
}

void TMemIniFile::DeleteKey(const UnicodeString& ASection, const UnicodeString& AIdent) {
  for (TSection& Section : FSections) {
    if (!Section.HasHeader || !AnsiSameText(Section.Name, ASection)) continue;
    std::erase_if(Section.Lines,
                  [&](const TLine& Line) { return Line.IsKey && AnsiSameText(Line.Ident, AIdent); });
  }
}

TBytes TMemIniFile::FileContent() const {
  UnicodeString Text;
  for (const TSection& Section : FSections) {
    if (Section.HasHeader) Text += Section.Header + u"\r\n";
    for (const TLine& Line : Section.Lines) Text += Line.Text + u"\r\n";
  }
  TBytes Result = FWriteBOM ? FEncoding->GetPreamble() : TBytes();
  const TBytes Body = FEncoding->GetBytes(Text);
  Result.insert(Result.end(), Body.begin(), Body.end());
  return Result;
}

void TMemIniFile::UpdateFile() const { TFile::WriteAllBytes(FFileName, FileContent()); }

}  // namespace Vorlane
