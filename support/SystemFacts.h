#pragma once
// What the program learns about the system once at start-up, gathered into one value that the
// composition root hands to whatever needs it: the user's language, the Windows line, the
// Desktop folder, daylight saving and the program's folders.

#include <string>
#include <string_view>

namespace Support {

enum class Language
{
    Dutch,   // the user's default language is Dutch (Netherlands, Belgium) or Afrikaans
    English, // every other language
};

struct SystemFacts
{
    Language language = Language::English;
    std::string osName;
    bool isNTFamily = false;
    bool daylightActive = false;
    double daylightBias = 0.0;      // a fraction of a day; one hour is 1/24
    std::string desktopPath = "\\"; // the Desktop folder with a final backslash (Windows)
    std::string dataFolder;         // the per-user data folder, created; ends with a separator
    std::string startFolder;        // the current folder at start-up, with a final separator
    std::string programFolder;      // the folder of the executable, without a final separator
};

// The language a three-letter code names: "NLD" is Dutch, every other code English.
Language LanguageOfCode(std::string_view code);

// Gathers the facts in their order (language, Windows line, Desktop folder, daylight saving)
// and computes and creates the data folder for `productName`.
SystemFacts GatherSystemFacts(const std::string& productName);

} // namespace Support
