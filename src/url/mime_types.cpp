#include "url/mime_types.h"

#include <algorithm>
#include <array>

#include "base/text.h"

namespace varnelo::retrieval {
namespace {

constexpr std::array<TMimeExtension, 145> kMimeExtensions{{
    {"application/andrew-inset", "ez"},
    {"application/atom+xml", "atom"},
    {"application/mac-binhex40", "hqx"},
    {"application/mac-compactpro", "cpt"},
    {"application/mathml+xml", "mathml"},
    {"application/msword", "doc"},
    {"application/octet-stream", "bin"},
    {"application/octet-stream", "dms"},
    {"application/oda", "oda"},
    {"application/ogg", "ogg"},
    {"application/pdf", "pdf"},
    {"application/postscript", "ps"},
    {"application/postscript", "ai"},
    {"application/postscript", "eps"},
    {"application/rdf+xml", "rdf"},
    {"application/smil", "smi"},
    {"application/smil", "smil"},
    {"application/srgs", "srgs"},
    {"application/srgs+xml", "grsml"},
    {"application/vnd.mozilla.xul+xml", "xul"},
    {"application/vnd.ms-excel", "xls"},
    {"application/vnd.ms-powerpoint", "ppt"},
    {"application/vnd.wap.wbxml", "wbxml"},
    {"application/vnd.wap.wmlc", "wmlc"},
    {"application/vnd.wap.wmlscriptc", "wmlsc"},
    {"application/voicexml+xml", "vxml"},
    {"application/x-bcpio", "bcpio"},
    {"application/x-cdlink", "vcd"},
    {"application/x-chess-pgn", "pgn"},
    {"application/x-cpio", "cpio"},
    {"application/x-csh", "csh"},
    {"application/x-director", "dcr"},
    {"application/x-director", "dir"},
    {"application/x-director", "dxr"},
    {"application/x-dvi", "dvi"},
    {"application/x-futuresplash", "spl"},
    {"application/x-gtar", "gtar"},
    {"application/x-hdf", "hdf"},
    {"application/x-javascript", "js"},
    {"application/x-koan", "skp"},
    {"application/x-koan", "skd"},
    {"application/x-koan", "skt"},
    {"application/x-koan", "skm"},
    {"application/x-latex", "latex"},
    {"application/x-netcdf", "nc"},
    {"application/x-netcdf", "cdf"},
    {"application/x-sh", "sh"},
    {"application/x-shar", "shar"},
    {"application/x-shockwave-flash", "swf"},
    {"application/x-stuffit", "sit"},
    {"application/x-sv4cpio", "sv4cpio"},
    {"application/x-sv4crc", "sv4crc"},
    {"application/x-tar", "tar"},
    {"application/x-tcl", "tcl"},
    {"application/x-tex", "tex"},
    {"application/x-texinfo", "texinfo"},
    {"application/x-texinfo", "texi"},
    {"application/x-troff", "t"},
    {"application/x-troff", "tr"},
    {"application/x-troff", "roff"},
    {"application/x-troff-man", "man"},
    {"application/x-troff-me", "me"},
    {"application/x-troff-ms", "ms"},
    {"application/x-ustar", "ustar"},
    {"application/x-wais-source", "src"},
    {"application/xhtml+xml", "xhtml"},
    {"application/xhtml+xml", "xht"},
    {"application/xslt+xml", "xslt"},
    {"application/xml", "xml"},
    {"application/xml", "xsl"},
    {"application/xml-dtd", "dtd"},
    {"application/zip", "zip"},
    {"audio/basic", "au"},
    {"audio/basic", "snd"},
    {"audio/midi", "mid"},
    {"audio/midi", "midi"},
    {"audio/midi", "kar"},
    {"audio/mpeg", "mpga"},
    {"audio/mpeg", "mp2"},
    {"audio/mpeg", "mp3"},
    {"audio/x-aiff", "aif"},
    {"audio/x-aiff", "aiff"},
    {"audio/x-aiff", "aifc"},
    {"audio/x-mpegurl", "m3u"},
    {"audio/x-pn-realaudio", "ram"},
    {"audio/x-pn-realaudio", "ra"},
    {"audio/x-wav", "wav"},
    {"chemical/x-pdb", "pdb"},
    {"chemical/x-xyz", "xyz"},
    {"image/bmp", "bmp"},
    {"image/cgm", "cgm"},
    {"image/gif", "gif"},
    {"image/ief", "jef"},
    {"image/jpeg", "jpeg"},
    {"image/jpeg", "jpg"},
    {"image/jpeg", "jpe"},
    {"image/png", "png"},
    {"image/svg+xml", "svg"},
    {"image/tiff", "tif"},
    {"image/tiff", "tiff"},
    {"image/vnd.djvu", "djvu"},
    {"image/vnd.djvu", "djv"},
    {"image/vnd.wap.wbmp", "wbmp"},
    {"image/x-cmu-raster", "ras"},
    {"image/x-icon", "ico"},
    {"image/x-portable-anymap", "pnm"},
    {"image/x-portable-bitmap", "pbm"},
    {"image/x-portable-graymap", "pgm"},
    {"image/x-portable-pixmap", "ppm"},
    {"image/x-rgb", "rgb"},
    {"image/x-xbitmap", "xbm"},
    {"image/x-xpixmap", "xpm"},
    {"image/x-xwindowdump", "xwd"},
    {"model/iges", "igs"},
    {"model/iges", "iges"},
    {"model/mesh", "msh"},
    {"model/mesh", "mesh"},
    {"model/mesh", "silo"},
    {"model/vrml", "wrl"},
    {"model/vrml", "vrml"},
    {"text/calendar", "ics"},
    {"text/calendar", "ifb"},
    {"text/css", "css"},
    {"text/html", "html"},
    {"text/html", "htm"},
    {"text/plain", "txt"},
    {"text/plain", "asc"},
    {"text/richtext", "rtx"},
    {"text/richtext", "rtf"},
    {"text/sgml", "sgml"},
    {"text/sgml", "sgm"},
    {"text/tab-separated-values", "tsv"},
    {"text/vnd.wap.wml", "wml"},
    {"text/vnd.wap.wmlscript", "wmls"},
    {"text/x-setext", "etx"},
    {"video/mpeg", "mpeg"},
    {"video/mpeg", "mpg"},
    {"video/mpeg", "mpe"},
    {"video/quicktime", "mov"},
    {"video/quicktime", "qt"},
    {"video/vnd.mpegurl", "mxu"},
    {"video/vnd.mpegurl", "m4u"},
    {"video/x-msvideo", "avi"},
    {"video/x-sgi-movie", "movie"},
    {"x-conference/x-cooltalk", "ice"},
}};
static_assert(std::none_of(kMimeExtensions.begin(), kMimeExtensions.end(),
                           [](const TMimeExtension& row) { return row.type.empty() || row.extension.empty(); }),
              "every row of the table is filled");

}  // namespace

std::span<const TMimeExtension> MimeExtensionTable() { return kMimeExtensions; }

std::string ExtensionForType(std::string_view mimeType, std::string_view defaultExtension) {
  for (const TMimeExtension& row : kMimeExtensions) {
    if (row.type == mimeType) return "." + std::string(row.extension);
  }
  return std::string(defaultExtension);
}

std::string TypeForFileName(std::string_view fileName) {
  const size_t dot = fileName.rfind('.');
  if (dot == std::string_view::npos || fileName.find('/', dot) != std::string_view::npos) return {};
  const std::string extension = base::AsciiLowered(fileName.substr(dot + 1));
  for (const TMimeExtension& row : kMimeExtensions) {
    if (row.extension == extension) return std::string(row.type);
  }
  return {};
}

bool IsHtmlType(std::string_view contentType) {
  const std::string type = base::AsciiLowered(base::TrimSpaces(contentType.substr(0, contentType.find(';'))));
  return type == "text/html" || type == "application/xhtml+xml";
}

bool IsTextType(std::string_view contentType) {
  if (contentType.empty()) return true;
  const std::string lower = base::AsciiLowered(contentType);
  return lower.find("text") != std::string::npos || lower == "application/xhtml+xml";
}

}  // namespace varnelo::retrieval
