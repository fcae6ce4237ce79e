#include "update/SodiumFunctions.h"

#ifdef KOERSZICHT_SODIUM_FILE
#include "support/RuntimeLibrary.h"
#endif

#include <QtGlobal>
#include <optional>

namespace Update {

namespace {

std::optional<SodiumFunctions> Open()
{
    SodiumFunctions f;
#ifdef KOERSZICHT_SODIUM_FILE
    void* const library = Support::OpenLibrary(KOERSZICHT_SODIUM_FILE);
    using Support::Resolve;
    decltype(&::sodium_init) init = nullptr;
    if (!library || !Resolve(library, init, "sodium_init") ||
        !Resolve(library, f.signVerifyDetached, "crypto_sign_verify_detached")) {
        qWarning("libsodium could not be opened (%s): no installer is trusted", Support::LibraryError());
        return std::nullopt;
    }
#else
    const auto init = &::sodium_init;
    f.signVerifyDetached = &::crypto_sign_verify_detached;
#endif
    if (init() < 0)
        return std::nullopt;
    return f;
}

} // namespace

const SodiumFunctions* Sodium()
{
    static const std::optional<SodiumFunctions> functions = Open();
    return functions ? &*functions : nullptr;
}

} // namespace Update
