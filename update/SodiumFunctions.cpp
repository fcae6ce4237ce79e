#include "update/SodiumFunctions.h"

#include "support/RuntimeLibrary.h"

#include <QtGlobal>
#include <optional>

namespace Update {

namespace {

std::optional<SodiumFunctions> Open()
{
    SodiumFunctions f;
#ifdef KOERSZICHT_SODIUM_NAME
    static QLibrary library;
    using Support::Resolve;
    decltype(&::sodium_init) init = nullptr;
    if (!Support::OpenLibrary(library, KOERSZICHT_SODIUM_NAME, KOERSZICHT_SODIUM_MAJOR) ||
        !Resolve(library, init, "sodium_init") ||
        !Resolve(library, f.signVerifyDetached, "crypto_sign_verify_detached")) {
        qWarning("libsodium could not be opened (%s): no installer is trusted",
                 qPrintable(library.errorString()));
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
