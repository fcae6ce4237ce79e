// The signature file fetched beside an installer, as the update window reads it: strictly,
// in one form only, and never Valid without the key's signature.
// Input: the signature file.

#include "FuzzSupport.h"

#include "update/InstallerSignature.h"

#include <string>

using namespace Update;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    Fuzz::SetUp();
    const std::string_view file(reinterpret_cast<const char*>(data), size);
    const std::optional<ParsedSignatureFile> parsed = ParseSignatureFile(file);
    if (parsed) {
        // One form only: what was read writes back as the very same bytes.
        Fuzz::Check(SignatureFile(parsed->manifest, parsed->signature) == file,
                    "a signature file reads back as itself", file);
        Fuzz::Check(parsed->signedLines == SignedLines(parsed->manifest),
                    "the signed lines are the file's first five", file);
        Fuzz::Check(file.size() <= MaxSignatureFileBytes, "a signature file is bounded");
    }
    // No input is signed by the release key's private half, which is nowhere near here.
    const InstallerExpectation expected{ReleaseKey, "Koerszicht", "versie 1.00d"};
    const SignatureCheck check = CheckInstallerBytes(
        file, parsed ? std::string_view(parsed->manifest.fileName) : std::string_view("Koerszicht101.exe"),
        {}, expected);
    Fuzz::Check(check != SignatureCheck::Valid, "nothing verifies without the key", file);
    Fuzz::Check((check == SignatureCheck::Malformed) == (!parsed && !file.empty()),
                "a file is malformed exactly when it cannot be read", file);
    return 0;
}
