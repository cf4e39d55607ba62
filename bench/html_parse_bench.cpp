// Parsing real pages and writing them back as markup: our parser (Parse, then GetHTML of the root)
// against libxml2's HTML parser (htmlReadMemory, then htmlDocDumpMemory), on the same bytes. The
// pages are every *.html and *.htm file under a folder (default /usr/share/doc), with their line
// ends made CR LF as the crawlers hand pages to the parser.

#include <libxml/HTMLparser.h>
#include <libxml/HTMLtree.h>
#include <libxml/parser.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "parsing/html_parser.h"
#include "platform/atomic_file.h"

namespace {

namespace fs = std::filesystem;
using TClock = std::chrono::steady_clock;
using varnelo::parsing::THTMLParser;

constexpr int kRounds = 7;

std::string WithCrLf(std::string_view text) {
  std::string out;
  out.reserve(text.size() + text.size() / 16);
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\r') {
      out += "\r\n";
      if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else if (c == '\n') {
      out += "\r\n";
    } else {
      out += c;
    }
  }
  return out;
}

bool IsPage(const fs::path& file) {
  std::string extension = file.extension().string();
  std::transform(extension.begin(), extension.end(), extension.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return extension == ".html" || extension == ".htm";
}

std::vector<std::string> LoadPages(const fs::path& folder) {
  std::vector<fs::path> files;
  std::error_code error;
  for (fs::recursive_directory_iterator it(folder, fs::directory_options::skip_permission_denied, error), end;
       !error && it != end; it.increment(error)) {
    if (IsPage(it->path()) && it->is_regular_file(error)) files.push_back(it->path());
  }
  std::sort(files.begin(), files.end());
  std::vector<std::string> pages;
  for (const fs::path& file : files) {
    try {
      if (auto content = varnelo::platform::ReadWholeFile(file)) pages.push_back(WithCrLf(*content));
    } catch (const std::system_error&) {
      // An unreadable page is left out.
    }
  }
  return pages;
}

size_t OursOnce(const std::string& page) {
  THTMLParser parser;
  parser.Parse(page);
  return THTMLParser::GetHTML(parser.Root()).size();
}

size_t LibXmlOnce(const std::string& page) {
  htmlDocPtr doc = htmlReadMemory(page.data(), static_cast<int>(page.size()), nullptr, nullptr,
                                  HTML_PARSE_RECOVER | HTML_PARSE_NOERROR | HTML_PARSE_NOWARNING | HTML_PARSE_NONET);
  if (doc == nullptr) return 0;
  xmlChar* text = nullptr;
  int size = 0;
  htmlDocDumpMemory(doc, &text, &size);
  xmlFree(text);
  xmlFreeDoc(doc);
  return static_cast<size_t>(size);
}

template <class TOnce>
double SecondsFor(const std::vector<std::string>& pages, TOnce once, size_t& sink) {
  const auto start = TClock::now();
  for (const std::string& page : pages) sink += once(page);
  return std::chrono::duration<double>(TClock::now() - start).count();
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const size_t middle = values.size() / 2;
  return values.size() % 2 == 1 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

}  // namespace

int main(int argc, char** argv) {
  const fs::path folder = argc > 1 ? argv[1] : "/usr/share/doc";
  xmlInitParser();
  const std::vector<std::string> pages = LoadPages(folder);
  size_t bytes = 0;
  for (const std::string& page : pages) bytes += page.size();
  if (pages.empty()) {
    std::fprintf(stderr, "html_parse_bench: no *.html or *.htm file under %s\n", folder.c_str());
    return 1;
  }

  // Rounds alternate between the two, so that both see the same state of the machine.
  std::vector<double> ours;
  std::vector<double> libxml;
  size_t sink = 0;
  for (int round = 0; round < kRounds; ++round) {
    ours.push_back(SecondsFor(pages, OursOnce, sink));
    libxml.push_back(SecondsFor(pages, LibXmlOnce, sink));
  }
  const double oursSeconds = Median(ours);
  const double libxmlSeconds = Median(libxml);
  const double megabytes = static_cast<double>(bytes) / 1e6;

  std::printf("HTML parse and write back, median of %d rounds over the pages under %s\n", kRounds, folder.c_str());
  std::printf("files %zu, %.2f MB (line ends made CR LF)\n", pages.size(), megabytes);
  std::printf("ours     %8.4f s  %8.1f MB/s  (Parse + GetHTML)\n", oursSeconds, megabytes / oursSeconds);
  std::printf("libxml2  %8.4f s  %8.1f MB/s  (htmlReadMemory + htmlDocDumpMemory)\n", libxmlSeconds,
              megabytes / libxmlSeconds);
  if (sink == 0) std::puts("nothing was written");
  xmlCleanupParser();
  std::printf("RATIO html-parse %.3f\n", oursSeconds / libxmlSeconds);
  return 0;
}
