#pragma once
// The libsodium function the signature check calls, as a table. On Linux libsodium is opened by
// the first check (support/RuntimeLibrary.h); the Windows build links it.

#include <sodium.h>

namespace Update {

struct SodiumFunctions
{
    decltype(&::crypto_sign_verify_detached) signVerifyDetached = nullptr;
};

// libsodium, set up (sodium_init) on the first call from any thread; nullptr when it cannot be
// opened or set up, and then no signature verifies.
const SodiumFunctions* Sodium();

} // namespace Update
