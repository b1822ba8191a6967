// Read throughput of the loading stack: file stream, 64 KiB buffered stream, codec stream,
// one byte per call as the parser reads. Reports MB/s of source bytes for UTF-8 and UTF-16
// input, and for the buffered stream alone.
//
//   bench_xml_streams [megabytes]   (default 64)
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/Classes.h"
#include "platform/SysUtils.h"
#include "xml/XmlStreams.h"

using namespace Vorlane;

namespace {

// An indented project-like document with some accented text and an emoji here and there.
std::string MakeUtf8(size_t bytes) {
  std::string out = "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n<Project>\r\n";
  const std::string items[] = {
      "    <PropertyGroup Condition=\"'$(Config)'=='Debug'\">\r\n",
      "        <DCC_Define>DEBUG;$(DCC_Define)</DCC_Define>\r\n",
      "        <VerInfo_Keys>CompanyName=M\xC3\xBCller GmbH;FileDescription=\xE2\x82\xAC-Rechner</VerInfo_Keys>\r\n",
      "        <Description>Ready \xF0\x9F\x9A\x80 to ship</Description>\r\n",
      "    </PropertyGroup>\r\n"};
  size_t i = 0;
  while (out.size() < bytes) out += items[i++ % 5];
  out += "</Project>\r\n";
  return out;
}

void WriteFile(const std::string& path, const std::string& data) {
  TFileStream f(UTF8ToUnicode(path), fmCreate);
  f.WriteBuffer(data.data(), static_cast<Integer>(data.size()));
}

// Re-encodes through the codec's writer, as a save would.
void WriteUtf16(const std::string& path, const std::string& utf8WithBom) {
  TFileStream f(UTF8ToUnicode(path), fmCreate);
  TvxBufferedWriteStream bw(&f);
  TvxUtf8Stream codec(&bw);
  codec.SetEncoding(seUTF16LE);
  codec.Write(utf8WithBom.data() + 3, static_cast<Integer>(utf8WithBom.size() - 3));
  bw.Flush();
}

template <typename F>
double Measure(const char* label, const std::string& path, F&& body) {
  Int64 size = 0;
  double best = 1e30;
  size_t result = 0;
  for (int run = 0; run < 3; ++run) {
    TFileStream f(UTF8ToUnicode(path), fmOpenRead);
    size = f.Size();
    auto t0 = std::chrono::steady_clock::now();
    result = body(f);
    auto t1 = std::chrono::steady_clock::now();
    best = std::min(best, std::chrono::duration<double>(t1 - t0).count());
  }
  double mbps = static_cast<double>(size) / (1024.0 * 1024.0) / best;
  std::printf("%-40s %8.1f MB  %8.1f MB/s  (%zu bytes out)\n", label, size / (1024.0 * 1024.0), mbps, result);
  return mbps;
}

size_t ReadCodec(TStream& f) {
  TvxBufferedReadStream br(&f);
  TvxUtf8Stream codec(&br);
  size_t n = 0;
  char ch;
  while (codec.Read(&ch, 1) == 1) ++n;
  return n;
}

size_t ReadBuffered(TStream& f) {
  TvxBufferedReadStream br(&f);
  size_t n = 0;
  char ch;
  while (br.Read(&ch, 1) == 1) n += static_cast<unsigned char>(ch) != 0;
  return n;
}

}  // namespace

int main(int argc, char** argv) {
  size_t mb = argc > 1 ? static_cast<size_t>(std::atoi(argv[1])) : 64;
  if (mb == 0) mb = 64;
  auto dir = std::filesystem::temp_directory_path();
  std::string utf8Path = (dir / "vorlane_bench_utf8.xml").string();
  std::string utf16Path = (dir / "vorlane_bench_utf16.xml").string();
  std::string text = MakeUtf8(mb * 1024 * 1024);
  WriteFile(utf8Path, text);
  WriteUtf16(utf16Path, text);

  Measure("buffered stream, 1-byte reads", utf8Path, ReadBuffered);
  Measure("buffered + codec, UTF-8 input", utf8Path, ReadCodec);
  Measure("buffered + codec, UTF-16LE input", utf16Path, ReadCodec);

  std::filesystem::remove(utf8Path);
  std::filesystem::remove(utf16Path);
  return 0;
}
