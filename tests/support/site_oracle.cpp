#include "support/site_oracle.h"

#include <libxml/HTMLparser.h>
#include <libxml/uri.h>

#include <algorithm>
#include <deque>
#include <fstream>
#include <iterator>
#include <memory>

namespace varnelo::test {
namespace {

struct TDocFree {
  void operator()(xmlDoc* doc) const { xmlFreeDoc(doc); }
};
using TDoc = std::unique_ptr<xmlDoc, TDocFree>;

struct TXmlFree {
  void operator()(xmlChar* text) const { xmlFree(text); }
};
using TXmlText = std::unique_ptr<xmlChar, TXmlFree>;

// The attributes that hold a link in the pages this account is used on.
bool IsLinkAttribute(std::string_view element, std::string_view attribute) {
  static const std::set<std::pair<std::string_view, std::string_view>> kLinks = {
      {"a", "href"},    {"area", "href"}, {"link", "href"},  {"img", "src"},     {"script", "src"},
      {"frame", "src"}, {"iframe", "src"}, {"embed", "src"}, {"input", "src"}, {"object", "data"},
      {"body", "background"}};
  return kLinks.contains({element, attribute});
}

std::string Lower(std::string_view text) {
  std::string out(text);
  std::transform(out.begin(), out.end(), out.begin(), [](unsigned char c) { return std::tolower(c); });
  return out;
}

TDoc ParseHtml(std::string_view html) {
  return TDoc(htmlReadMemory(html.data(), static_cast<int>(html.size()), nullptr, nullptr,
                             HTML_PARSE_RECOVER | HTML_PARSE_NOERROR | HTML_PARSE_NOWARNING | HTML_PARSE_NONET));
}

template <typename TVisit>
void Walk(xmlNode* node, const TVisit& visit) {
  for (; node != nullptr; node = node->next) {
    visit(node);
    Walk(node->children, visit);
  }
}

std::string ReadFile(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The file under `folder` that `url`, resolved, names; empty when it lies outside the prefix.
std::string FileOf(const std::string& url, const std::string& prefixUrl) {
  if (!url.starts_with(prefixUrl)) return {};
  std::string path = url.substr(prefixUrl.size());
  path = path.substr(0, path.find_first_of("#?"));
  path = PercentDecoded(path);
  if (path.empty() || path.ends_with('/')) path += "index.html";
  return std::filesystem::path(path).lexically_normal().string();
}

}  // namespace

std::string PercentDecoded(std::string_view text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 2 < text.size() + 0 && std::isxdigit(static_cast<unsigned char>(text[i + 1])) &&
        std::isxdigit(static_cast<unsigned char>(text[i + 2]))) {
      out += static_cast<char>(std::stoi(std::string(text.substr(i + 1, 2)), nullptr, 16));
      i += 2;
    } else {
      out += text[i];
    }
  }
  return out;
}

std::vector<TPageLink> PageLinks(std::string_view html) {
  std::vector<TPageLink> links;
  const TDoc doc = ParseHtml(html);
  if (!doc) return links;
  Walk(xmlDocGetRootElement(doc.get()), [&links](xmlNode* node) {
    if (node->type != XML_ELEMENT_NODE) return;
    const std::string element = Lower(reinterpret_cast<const char*>(node->name));
    for (xmlAttr* attribute = node->properties; attribute != nullptr; attribute = attribute->next) {
      const std::string name = Lower(reinterpret_cast<const char*>(attribute->name));
      if (!IsLinkAttribute(element, name)) continue;
      const TXmlText value(xmlNodeListGetString(node->doc, attribute->children, 1));
      links.push_back({element, name, value ? reinterpret_cast<const char*>(value.get()) : ""});
    }
  });
  return links;
}

std::set<std::string> ReachableFiles(const std::filesystem::path& folder, const std::string& prefixUrl) {
  std::set<std::string> reached = {"index.html"};
  std::deque<std::string> pending = {"index.html"};
  while (!pending.empty()) {
    const std::string page = pending.front();
    pending.pop_front();
    if (!page.ends_with(".html")) continue;
    const std::string pageUrl = prefixUrl + page;
    for (const TPageLink& link : PageLinks(ReadFile(folder / page))) {
      const TXmlText resolved(xmlBuildURI(reinterpret_cast<const xmlChar*>(link.value.c_str()),
                                          reinterpret_cast<const xmlChar*>(pageUrl.c_str())));
      if (!resolved) continue;
      const std::string file = FileOf(reinterpret_cast<const char*>(resolved.get()), prefixUrl);
      if (file.empty() || file.starts_with("..") || !std::filesystem::is_regular_file(folder / file)) continue;
      if (reached.insert(file).second) pending.push_back(file);
    }
  }
  return reached;
}

std::set<std::string> PagesWithText(const std::filesystem::path& folder, const std::set<std::string>& files,
                                    std::string_view phrase) {
  const std::string wanted = Lower(phrase);
  std::set<std::string> pages;
  for (const std::string& file : files) {
    if (!file.ends_with(".html")) continue;
    const TDoc doc = ParseHtml(ReadFile(folder / file));
    if (!doc) continue;
    bool found = false;
    Walk(xmlDocGetRootElement(doc.get()), [&](xmlNode* node) {
      if (node->type == XML_TEXT_NODE && node->content != nullptr &&
          Lower(reinterpret_cast<const char*>(node->content)).find(wanted) != std::string::npos) {
        found = true;
      }
    });
    if (found) pages.insert(file);
  }
  return pages;
}

}  // namespace varnelo::test
