#include "support/Product.h"

namespace Support {

namespace {
constexpr std::string_view DutchVersionWord = "versie ";
constexpr std::string_view EnglishVersionWord = "version ";
} // namespace

std::string VersionTextIn(std::string_view versionText, Language language)
{
    if (language != Language::Dutch && versionText.substr(0, DutchVersionWord.size()) == DutchVersionWord)
        return std::string(EnglishVersionWord) + std::string(versionText.substr(DutchVersionWord.size()));
    return std::string(versionText);
}

} // namespace Support
