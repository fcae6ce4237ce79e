#include "quotes/HttpClient.h"

namespace Quotes {

std::string DownloadPage(const std::string&, AccessType, const DownloadOptions&)
{
    return {};
}

} // namespace Quotes
