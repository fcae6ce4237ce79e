#include "quotes/CurlFunctions.h"

#ifdef KOERSZICHT_CURL_FILE
#include "support/RuntimeLibrary.h"
#endif

#include <QtGlobal>
#include <optional>

namespace Quotes {

namespace {

std::optional<CurlFunctions> Open()
{
    CurlFunctions f;
#ifdef KOERSZICHT_CURL_FILE
    void* const library = Support::OpenLibrary(KOERSZICHT_CURL_FILE);
    using Support::Resolve;
    if (!library ||
        !(Resolve(library, f.globalInit, "curl_global_init") &&
          Resolve(library, f.easyInit, "curl_easy_init") &&
          Resolve(library, f.easySetopt, "curl_easy_setopt") &&
          Resolve(library, f.easyGetinfo, "curl_easy_getinfo") &&
          Resolve(library, f.easyHeader, "curl_easy_header") &&
          Resolve(library, f.easyCleanup, "curl_easy_cleanup") &&
          Resolve(library, f.multiInit, "curl_multi_init") &&
          Resolve(library, f.multiAddHandle, "curl_multi_add_handle") &&
          Resolve(library, f.multiPerform, "curl_multi_perform") &&
          Resolve(library, f.multiPoll, "curl_multi_poll") &&
          Resolve(library, f.multiInfoRead, "curl_multi_info_read") &&
          Resolve(library, f.multiRemoveHandle, "curl_multi_remove_handle") &&
          Resolve(library, f.multiCleanup, "curl_multi_cleanup") &&
          Resolve(library, f.slistAppend, "curl_slist_append") &&
          Resolve(library, f.slistFreeAll, "curl_slist_free_all") && Resolve(library, f.url, "curl_url") &&
          Resolve(library, f.urlSet, "curl_url_set") && Resolve(library, f.urlGet, "curl_url_get") &&
          Resolve(library, f.urlCleanup, "curl_url_cleanup") && Resolve(library, f.free, "curl_free"))) {
        qWarning("libcurl could not be opened (%s): nothing is fetched", Support::LibraryError());
        return std::nullopt;
    }
#else
    f = {&::curl_global_init,   &::curl_easy_init,    &::curl_easy_setopt,     &::curl_easy_getinfo,
         &::curl_easy_header,   &::curl_easy_cleanup, &::curl_multi_init,      &::curl_multi_add_handle,
         &::curl_multi_perform, &::curl_multi_poll,   &::curl_multi_info_read, &::curl_multi_remove_handle,
         &::curl_multi_cleanup, &::curl_slist_append, &::curl_slist_free_all,  &::curl_url,
         &::curl_url_set,       &::curl_url_get,      &::curl_url_cleanup,     &::curl_free};
#endif
    // The global set-up is not thread-safe on its own: it runs here, inside the function-local
    // static's one-time initialisation.
    if (f.globalInit(CURL_GLOBAL_DEFAULT) != CURLE_OK)
        return std::nullopt;
    return f;
}

} // namespace

const CurlFunctions* Curl()
{
    static const std::optional<CurlFunctions> functions = Open();
    return functions ? &*functions : nullptr;
}

} // namespace Quotes
