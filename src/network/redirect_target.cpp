#include "network/redirect_target.h"

#include "network/fetch_log.h"
#include "network/url_parts.h"
#include "url/url_reference.h"

namespace varnelo::network {

std::optional<std::string> RedirectTarget(std::string_view answered, std::string_view location) {
  // The client reads a URL without a scheme as http; the resolution must read it the same way.
  std::string base(answered);
  if (base.find("://") == std::string::npos) base.insert(0, "http://");
  std::string target = retrieval::ResolveReference(base, location);
  const TUrlParts parts = CutUrl(target);
  const bool onTheWeb = target.find("://") != std::string::npos && (parts.Scheme == "http" || parts.Scheme == "https");
  if (onTheWeb && parts.HostWritten) return target;
  ReportFetch("Redirection refusée de " + std::string(answered) + " vers " + std::string(location));
  return std::nullopt;
}

}  // namespace varnelo::network
