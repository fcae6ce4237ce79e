#pragma once
// The libcurl functions the HTTP client calls, as a table. On Linux libcurl is opened by the
// first fetch, on the fetching thread (support/RuntimeLibrary.h); the Windows build links it.

#include <curl/curl.h>

namespace Quotes {

struct CurlFunctions
{
    decltype(&::curl_global_init) globalInit = nullptr;
    decltype(&::curl_easy_init) easyInit = nullptr;
    decltype(&::curl_easy_setopt) easySetopt = nullptr;
    decltype(&::curl_easy_getinfo) easyGetinfo = nullptr;
    decltype(&::curl_easy_header) easyHeader = nullptr;
    decltype(&::curl_easy_cleanup) easyCleanup = nullptr;
    decltype(&::curl_multi_init) multiInit = nullptr;
    decltype(&::curl_multi_add_handle) multiAddHandle = nullptr;
    decltype(&::curl_multi_perform) multiPerform = nullptr;
    decltype(&::curl_multi_poll) multiPoll = nullptr;
    decltype(&::curl_multi_info_read) multiInfoRead = nullptr;
    decltype(&::curl_multi_remove_handle) multiRemoveHandle = nullptr;
    decltype(&::curl_multi_cleanup) multiCleanup = nullptr;
    decltype(&::curl_slist_append) slistAppend = nullptr;
    decltype(&::curl_slist_free_all) slistFreeAll = nullptr;
    decltype(&::curl_url) url = nullptr;
    decltype(&::curl_url_set) urlSet = nullptr;
    decltype(&::curl_url_get) urlGet = nullptr;
    decltype(&::curl_url_cleanup) urlCleanup = nullptr;
    decltype(&::curl_free) free = nullptr;
};

// libcurl, set up (curl_global_init) on the first call from any thread; nullptr when it cannot
// be opened or set up, and then nothing is fetched.
const CurlFunctions* Curl();

} // namespace Quotes
