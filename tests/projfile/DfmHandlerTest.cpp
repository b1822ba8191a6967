// The form-file handler and the conversion under it, over hand-made forms and every form file
// of the shared corpus.
#include <gtest/gtest.h>

#include <set>
#include <stdexcept>
#include <vector>

#include "platform/FileSystem.h"
#include "projfile/DfmHandler.h"
#include "tests/projfile/DprojFileTestSupport.h"

using namespace Vorlane;
using namespace ProjFileTest;
using TestSupport::Bytes;
using TestSupport::MessageOf;

namespace {

const Int64 cOldTime = 130000000000000000;  // 2012-12-16, a time no test run writes

std::string ToText(const std::string& ABinary, TFormStreamInfo& AInfo) {
  TBytesStream In(ABinary), Out;
  ObjectBinaryToText(&In, &Out, AInfo);
  return Out.DataString();
}

std::string ToBinary(const std::string& AText, const std::string& AHeader = "") {
  TBytesStream In(AText), Out;
  ObjectTextToBinary(&In, &Out, AHeader);
  return Out.DataString();
}

// CR LF line breaks, without a UTF-8 byte-order mark: the text the conversion writes.
std::string AsWritten(std::string AText) {
  if (AText.compare(0, 3, "\xEF\xBB\xBF") == 0) AText.erase(0, 3);
  std::string R;
  for (size_t I = 0; I < AText.size(); ++I) {
    if (AText[I] == '\n' && (I == 0 || AText[I - 1] != '\r')) R += '\r';
    R += AText[I];
  }
  return R;
}

bool IsExplicitLine(const UnicodeString& ALine) {
  const UnicodeString T = Trim(ALine);
  for (const char16_t* Name : {u"ExplicitLeft = ", u"ExplicitTop = ", u"ExplicitWidth = ", u"ExplicitHeight = "})
    if (T.rfind(Name, 0) == 0) return true;
  return false;
}

std::vector<UnicodeString> Lines(const TDfmHandler& AHandler) {
  return std::vector<UnicodeString>(AHandler.Content()->begin(), AHandler.Content()->end());
}

Int64 LastWrite(const fs::path& APath) {
  TFileTimes Times;
  return GetFileTimes(U16(APath), Times) ? Times.LastWriteTime : -1;
}

// Writes a form file with an old last-write time, so that a write shows.
fs::path PutForm(const TTempDir& ADir, const std::string& AName, const std::string& AData) {
  const fs::path Path = ADir / AName;
  WriteBytes(Path, AData);
  SetFileLastWriteTime(U16(Path), cOldTime);
  return Path;
}

// How many Explicit property records with an integer value (as the IDE writes them) AAfter
// lacks, when it is the binary form AForm less such records (the size field of the resource
// header aside, which a reread checks); -1 when it is anything else.
int ExplicitRecordsCut(const std::string& AForm, const std::string& AAfter) {
  const size_t Body = AForm.find("TPF0");
  int Cut = AAfter.compare(0, Body - 4, AForm, 0, Body - 4) == 0 ? 0 : -1;
  size_t I = Body, J = Body;
  while (I < AForm.size() && Cut >= 0) {
    const size_t Length = static_cast<std::uint8_t>(AForm[I]);
    const int Type = I + 1 + Length < AForm.size() ? AForm[I + 1 + Length] : 0;
    const size_t Record = Type >= 2 && Type <= 4 ? 2 + Length + (size_t{1} << (Type - 2)) : 0;
    // An Explicit record where AAfter goes on otherwise was cut.
    if (Record != 0 && IsExplicitLine(UTF8ToUnicode(AForm.substr(I + 1, Length) + " = 1")) &&
        AAfter.compare(J, Record, AForm, I, Record) != 0)
      I += Record, ++Cut;
    else if (J < AAfter.size() && AAfter[J] == AForm[I])
      ++I, ++J;
    else
      Cut = -1;
  }
  return J == AAfter.size() ? Cut : -1;
}

const std::string cHeader = Bytes({0xFF, 0x0A, 0x00}) + "TFORM1" + Bytes({0, 0x30, 0x10});

std::string WithHeader(const std::string& ABody) {
  const auto N = static_cast<std::uint32_t>(ABody.size());
  return cHeader + Bytes({int(N & 0xFF), int((N >> 8) & 0xFF), int((N >> 16) & 0xFF), int(N >> 24)}) + ABody;
}

}  // namespace

// Converting to text and back gives the bytes of every corpus binary form but those whose
// difference is explained in bench/RESULTS.md.
TEST(DfmCorpusTest, BinaryFormsSurviveTextAndBack) {
  TESTSUPPORT_SKIP_IF_ABSENT(TestSupport::CorpusDir() / "dfm-binary", "corpus binary forms");
  const std::vector<fs::path> Files = CorpusFiles("dfm-binary", ".dfm");
  // An empty string stored as a wide string: its text '' comes back as a short string.
  const std::set<std::string> Equivalent = {"pyscripter__python4delphi__Demos_Demo04_Unit1.dfm"};
  std::set<std::string> Differing;
  for (const fs::path& File : Files) {
    SCOPED_TRACE(File.filename().string());
    const std::string Original = ReadBytes(File);
    TFormStreamInfo Info;
    const std::string Text = ToText(Original, Info);
    EXPECT_EQ(Info.OriginalFormat, sofBinary);
    EXPECT_EQ(Info.InexactValue, u"");
    EXPECT_EQ(Info.ResourceHeader.compare(0, 3, "\xFF\x0A\x00", 3), 0);
    const std::string Back = ToBinary(Text, Info.ResourceHeader);
    if (Back != Original) Differing.insert(File.filename().string());
    TFormStreamInfo Again;
    EXPECT_EQ(ToText(Back, Again), Text);
  }
  EXPECT_EQ(Differing, Equivalent);
}

// Converting to binary and back gives the text of every corpus text form, line for line (the
// repository copies with LF line breaks or a byte-order mark get CR LF and no mark).
TEST(DfmCorpusTest, TextFormsSurviveBinaryAndBack) {
  TESTSUPPORT_SKIP_IF_ABSENT(TestSupport::CorpusDir() / "dfm-text", "corpus text forms");
  const std::vector<fs::path> Files = CorpusFiles("dfm-text", ".dfm");
  for (const fs::path& File : Files) {
    SCOPED_TRACE(File.filename().string());
    const std::string Original = ReadBytes(File);
    TFormStreamInfo Info;
    EXPECT_EQ(ToText(Original, Info), Original);  // text input is checked and copied
    const std::string Binary = ToBinary(Original);
    ASSERT_EQ(ToText(Binary, Info), AsWritten(Original));
    EXPECT_EQ(Info.InexactValue, u"");
  }
}

// Every corpus form: the Explicit lines go, every other line stays, the form keeps its kind
// and its last-write time, and a form without Explicit lines is not touched at all. A binary
// form loses its Explicit records, one per line, and not one byte more.
TEST(DfmCorpusTest, HandlerRemovesExplicitLinesFromEveryForm) {
  TESTSUPPORT_SKIP_IF_ABSENT(TestSupport::CorpusDir() / "dfm-binary", "corpus binary forms");
  std::vector<fs::path> Files = CorpusFiles("dfm-binary", ".dfm");
  const std::vector<fs::path> Text = CorpusFiles("dfm-text", ".dfm");
  Files.insert(Files.end(), Text.begin(), Text.end());
  TTempDir Dir;
  int Written = 0;
  for (const fs::path& File : Files) {
    SCOPED_TRACE(File.filename().string());
    const std::string Original = ReadBytes(File);
    const fs::path Copy = PutForm(Dir, "Form.dfm", Original);
    std::vector<UnicodeString> Expected;
    {
      TDfmHandler Handler(U16(Copy));
      for (const UnicodeString& Line : Lines(Handler))
        if (!IsExplicitLine(Line)) Expected.push_back(Line);
      Handler.RemoveExplicit();
    }
    EXPECT_EQ(LastWrite(Copy), cOldTime);
    const std::string After = ReadBytes(Copy);
    TDfmHandler Reread(U16(Copy));
    EXPECT_EQ(Lines(Reread), Expected);
    const size_t Removed = Lines(TDfmHandler(U16(File))).size() - Expected.size();
    if (Removed == 0) {
      EXPECT_EQ(After, Original);
    } else {
      ++Written;
      EXPECT_EQ(After.substr(0, 3), Original.substr(0, 3));  // resource header or byte-order mark kept
      if (Original[0] == '\xFF') {
        EXPECT_EQ(ExplicitRecordsCut(Original, After), static_cast<int>(Removed));
      }
    }
  }
  EXPECT_GT(Written, 0);
}

// Every kind of value, in every width and encoding a writer may store it, is written back byte
// for byte while the Explicit records around it and inside it go, with and without a resource
// header. The text form could not carry these encodings back.
TEST(DfmHandlerTest, BinaryFormsLoseOnlyTheirExplicitRecords) {
  const std::string Explicit[] = {Bytes({12}) + "ExplicitLeft" + Bytes({2, 1}), Bytes({11}) + "ExplicitTop" + Bytes({4, 0, 1, 0, 0}),
                                  Bytes({13}) + "ExplicitWidth" + Bytes({3, 5, 0}), Bytes({14}) + "ExplicitHeight" + Bytes({2, 9})};
  const struct {
    const char* Name;
    std::string Value;  // type byte and payload
  } Cases[] = {
      {"short string", Bytes({6, 5}) + "Hello"},
      {"short string of another code page (CP-1251)", Bytes({6, 3, 0xE4, 0xE0, 0xF2})},
      {"long string of one byte", Bytes({12, 1, 0, 0, 0, 'a'})},
      {"ASCII wide string", Bytes({18, 5, 0, 0, 0, 'H', 0, 'e', 0, 'l', 0, 'l', 0, 'o', 0})},
      {"empty wide string", Bytes({18, 0, 0, 0, 0})},
      {"UTF-8 string", Bytes({20, 2, 0, 0, 0, 0xC3, 0xA9})},
      {"broken UTF-8 string", Bytes({20, 1, 0, 0, 0, 0xFF})},
      {"Null", Bytes({0})},
      {"int8", Bytes({2, 0xFB})},
      {"int16 holding 5", Bytes({3, 5, 0})},
      {"int32 holding 5", Bytes({4, 5, 0, 0, 0})},
      {"int64 holding 1", Bytes({19, 1, 0, 0, 0, 0, 0, 0, 0})},
      {"single", Bytes({15, 0, 0, 0xC0, 0x3F})},
      {"double of 17 digits", Bytes({21, 0x9A, 0x99, 0x99, 0x99, 0x99, 0x99, 0xB9, 0x3F})},
      {"extended beyond 16 digits", Bytes({5, 0xAB, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xFD, 0x3F})},
      {"currency", Bytes({16, 0x98, 0x3A, 0, 0, 0, 0, 0, 0})},
      {"date", Bytes({17, 0, 0, 0, 0, 0x10, 0xF9, 0xE5, 0x40})},
      {"set", Bytes({11, 1, 'a', 2, 'b', 'c', 0})},
      {"identifier reading as a Boolean", Bytes({7, 4}) + "True"},
      {"list of constants and wide values", Bytes({1, 9, 8, 13, 4, 5, 0, 0, 0, 18, 1, 0, 0, 0, 'a', 0, 0})},
      {"binary data over two lines", Bytes({10, 40, 0, 0, 0}) + std::string(40, '\xC3')},
      {"collection", Bytes({14, 4, 3, 0, 0, 0, 1}) + Explicit[2] + Bytes({1, 'N', 18, 0, 0, 0, 0, 0, 1, 0, 0})},
  };
  // An inherited inline child at a position stored as an int32: flags the text form cannot show.
  const std::string Child = Bytes({0xF7, 4, 2, 0, 0, 0, 6}) + "TPanel" + Bytes({1, 'P'}) + Explicit[1] + Bytes({0, 0});
  TTempDir Dir;
  for (const auto& C : Cases) {
    SCOPED_TRACE(C.Name);
    const std::string Form = "TPF0" + Bytes({6}) + "TForm1" + Bytes({5}) + "Form1" + Explicit[0] + Bytes({4}) + "Prop" + C.Value +
                             Explicit[3] + Bytes({0}) + Child + Bytes({0});
    std::string Kept = Form;
    for (const std::string& Record : Explicit)
      if (const size_t At = Kept.find(Record); At != std::string::npos) Kept.erase(At, Record.size());
    for (const bool Header : {false, true}) {
      const fs::path Path = PutForm(Dir, "F.dfm", Header ? WithHeader(Form) : Form);
      EXPECT_EQ(MessageOf([&] { TDfmHandler(U16(Path)).RemoveExplicit(); }), "no exception");
      EXPECT_EQ(ReadBytes(Path), Header ? WithHeader(Kept) : Kept);
    }
  }
}

TEST(DfmHandlerTest, ExplicitLinesAreMatchedExactly) {
  const struct {
    const char* Line;
    bool Removed;
  } Cases[] = {
      {"  ExplicitLeft = 5", true},
      {"  ExplicitTop = -1", true},
      {"  ExplicitWidth = 300", true},
      {"  ExplicitHeight = 2", true},
      {"\t \t      ExplicitWidth = 7", true},
      {"ExplicitHeight = 8", true},
      {"  ExplicitLeft=5", false},
      {"  ExplicitLeft =5", false},
      {"  ExplicitLeft  = 5", false},
      {"  explicitLeft = 5", false},
      {"  EXPLICITWIDTH = 5", false},
      {"  ExplicitLeftMargin = 5", false},
      {"  ExplicitBounds = 5", false},
      {"  Left = 5", false},
  };
  std::string Form = "object Form1: TForm1\r\n";
  std::string Expected = Form;
  for (const auto& C : Cases) {
    Form += std::string(C.Line) + "\r\n";
    if (!C.Removed) Expected += std::string(C.Line) + "\r\n";
  }
  Form += "end\r\n";
  Expected += "end\r\n";
  TTempDir Dir;
  const fs::path Path = PutForm(Dir, "F.dfm", Form);
  {
    TDfmHandler Handler(U16(Path));
    Handler.RemoveExplicit();
    EXPECT_EQ(Handler.FileName(), U16(Path));
  }
  EXPECT_EQ(ReadBytes(Path), Expected);
  EXPECT_EQ(LastWrite(Path), cOldTime);
}

// The form goes back in the kind and encoding it came in.
TEST(DfmHandlerTest, FormsAreWrittenBackInTheirOwnForm) {
  const std::string Text = "object Form1: TForm1\r\n  Caption = 'x'\r\n  ExplicitWidth = 5\r\nend\r\n";
  const std::string Kept = "object Form1: TForm1\r\n  Caption = 'x'\r\nend\r\n";
  const struct {
    const char* Name;
    std::string Before, After;
  } Cases[] = {
      {"binary with resource header", WithHeader(ToBinary(Text)), WithHeader(ToBinary(Kept))},
      {"bare binary", ToBinary(Text), ToBinary(Kept)},
      {"text with LF line breaks", "object Form1: TForm1\n  ExplicitTop = 1\n  Caption = 'caf\xE9'\nend",
       "object Form1: TForm1\r\n  Caption = 'caf\xE9'\r\nend\r\n"},
      {"UTF-8 text", "\xEF\xBB\xBFobject Form1: TForm1\r\n  ExplicitTop = 1\r\n  Caption = 'caf\xC3\xA9'\r\nend\r\n",
       "\xEF\xBB\xBFobject Form1: TForm1\r\n  Caption = 'caf\xC3\xA9'\r\nend\r\n"},
  };
  TTempDir Dir;
  for (const auto& C : Cases) {
    SCOPED_TRACE(C.Name);
    const fs::path Path = PutForm(Dir, "F.dfm", C.Before);
    {
      TDfmHandler Handler(U16(Path));
      Handler.RemoveExplicit();
    }
    EXPECT_EQ(ReadBytes(Path), C.After);
    EXPECT_EQ(LastWrite(Path), cOldTime);
    EXPECT_EQ(Dir.EntryCount(), 1u);
  }
}

TEST(DfmHandlerTest, FormsWithoutExplicitLinesAreNeverWritten) {
  TTempDir Dir;
  for (const std::string& Data : {std::string("object A: TA\n  Left = 1\nend"), WithHeader(ToBinary("object A: TA\r\nend\r\n"))}) {
    const fs::path Path = PutForm(Dir, "F.dfm", Data);
    fs::permissions(Path, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write, fs::perm_options::remove);
    {
      TDfmHandler Handler(U16(Path));
      Handler.RemoveExplicit();
    }  // a write would fail on the read-only file
    EXPECT_EQ(ReadBytes(Path), Data);
    EXPECT_EQ(LastWrite(Path), cOldTime);
    fs::permissions(Path, fs::perms::owner_write, fs::perm_options::add);
  }
  // Loading another file drops the edit of the first: neither is written. A second file that
  // cannot be loaded is never written either; the edit stays with the first.
  const std::string Edited = "object A: TA\r\n  ExplicitLeft = 1\r\nend\r\n", Cleaned = "object A: TA\r\nend\r\n";
  const struct {
    const char* Name;
    const char* Other;  // nullptr: no such file
    std::string FirstAfter;
  } Cases[] = {
      {"another form", "object B: TB\nend\n", Edited},
      {"no form", "unit B;\n", Cleaned},
      {"invalid form", "object B: TB\n  Caption = 'x\nend\n", Cleaned},
      {"missing file", nullptr, Cleaned},
  };
  for (const auto& C : Cases) {
    SCOPED_TRACE(C.Name);
    const fs::path First = PutForm(Dir, "A.dfm", Edited), Second = Dir / "B.dfm";
    fs::remove(Second);
    if (C.Other) PutForm(Dir, "B.dfm", C.Other);
    {
      TDfmHandler Handler(U16(First));
      Handler.RemoveExplicit();
      if (C.Other && C.FirstAfter == Edited)
        Handler.LoadFromFile(U16(Second));
      else
        EXPECT_THROW(Handler.LoadFromFile(U16(Second)), Exception);
      EXPECT_EQ(Handler.FileName(), U16(C.FirstAfter == Edited ? Second : First));
    }
    EXPECT_EQ(ReadBytes(First), C.FirstAfter);
    if (C.Other) {
      EXPECT_EQ(ReadBytes(Second), C.Other);
    } else {
      EXPECT_FALSE(fs::exists(Second));
    }
  }
}

TEST(DfmHandlerTest, InvalidFilesRaiseFromTheConstructorAndStayAsTheyAre) {
  const struct {
    const char* Name;
    std::string Data;
    std::string Expected;
  } Cases[] = {
      {"no form", "unit Unit1;\r\n", "EFilerError: Not a form file"},
      {"empty", "", "EFilerError: Not a form file"},
      {"truncated binary", WithHeader(ToBinary("object A: TA\r\n  ExplicitLeft = 5\r\nend\r\n")).substr(0, 30),
       "EReadError: The resource header at offset 0 announces"},
      {"invalid text", "object A: TA\r\n  ExplicitLeft = 5\r\n  Caption = 'x\r\nend\r\n", "EParserError: Unterminated string on line 3"},
  };
  TTempDir Dir;
  for (const auto& C : Cases) {
    SCOPED_TRACE(C.Name);
    const fs::path Path = PutForm(Dir, "F.dfm", C.Data);
    EXPECT_EQ(MessageOf([&] { TDfmHandler Handler(U16(Path)); }).substr(0, C.Expected.size()), C.Expected);
    EXPECT_EQ(ReadBytes(Path), C.Data);
    EXPECT_EQ(LastWrite(Path), cOldTime);
  }
  EXPECT_EQ(MessageOf([&] { TDfmHandler Handler(U16(Dir / "missing.dfm")); }).substr(0, 13), "EFOpenError: ");
}

// A save that would change more than the removed lines raises from the destructor and leaves
// the file as it was.
TEST(DfmHandlerTest, SavesThatWouldChangeTheFormAreRefused) {
  const std::string Root = "TPF0" + Bytes({1, 'T', 0}), Left = Bytes({12}) + "ExplicitLeft";
  const std::string Refused = "EWriteError: Cannot write \"%s\" back without changing it: ";
  const struct {
    const char* Name;
    std::string Data;
    bool EditLine;  // a line other than an Explicit one edited before the removal
    std::string Expected;
  } Cases[] = {
      {"edit breaks the text", "object A: TA\r\n  ExplicitLeft = (\r\n    1)\r\nend\r\n", false,
       "EWriteError: Cannot write \"%s\": the edited text is no longer a valid form (Identifier expected on line 2)"},
      {"bytes the encoding cannot keep", "\xEF\xBB\xBFobject A: TA\r\n  ExplicitLeft = 1\r\n  Caption = '\xFF'\r\nend\r\n", false,
       Refused + "the file holds bytes that its encoding (UTF-8) cannot give back unchanged"},
      {"binary Explicit property over several lines", Root + Left + Bytes({1, 2, 1, 2, 2, 0, 0, 0}), false,
       Refused + "the Explicit property at offset 7 takes more than one line"},
      {"binary name that is no identifier", WithHeader(Root + Left + Bytes({2, 1, 3, 'a', ' ', 'b', 2, 1, 0, 0})), false,
       Refused + "the name at offset 38 has no exact text form"},
      {"binary lines edited", Root + Bytes({4, 'L', 'e', 'f', 't', 2, 1}) + Left + Bytes({2, 1, 0, 0}), true,
       "EWriteError: Cannot write \"%s\": its lines were edited other than by removing Explicit properties, and a binary "
       "form is written from its own bytes"},
  };
  TTempDir Dir;
  for (const auto& C : Cases) {
    SCOPED_TRACE(C.Name);
    const fs::path Path = PutForm(Dir, "F.dfm", C.Data);
    std::string Expected = C.Expected;
    Expected.replace(Expected.find("%s"), 2, Path.string());
    EXPECT_EQ(MessageOf([&] {
                TDfmHandler Handler(U16(Path));
                if (C.EditLine) Handler.Content()->SetStrings(1, u"  Left = 2");
                Handler.RemoveExplicit();
              }),
              Expected);
    EXPECT_EQ(ReadBytes(Path), C.Data);
    EXPECT_EQ(LastWrite(Path), cOldTime);
    EXPECT_EQ(Dir.EntryCount(), 1u);
  }
}

TEST(DfmHandlerTest, AFailedWriteDuringAnotherErrorLetsThatErrorThrough) {
  TTempDir Dir;
  const std::string Form = "object A: TA\r\n  ExplicitLeft = 1\r\nend\r\n";
  const fs::path Path = PutForm(Dir, "F.dfm", Form);
  fs::permissions(Path, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write, fs::perm_options::remove);
  // Alone, the read-only file makes the destructor raise.
  EXPECT_EQ(MessageOf([&] {
              TDfmHandler Handler(U16(Path));
              Handler.RemoveExplicit();
            }).substr(0, 15),
            "EFCreateError: ");
  try {
    TDfmHandler Handler(U16(Path));
    Handler.RemoveExplicit();
    throw std::runtime_error("first");
  } catch (const std::runtime_error& E) {
    EXPECT_STREQ(E.what(), "first");
  }
  EXPECT_EQ(ReadBytes(Path), Form);
  fs::permissions(Path, fs::perms::owner_write, fs::perm_options::add);
}
