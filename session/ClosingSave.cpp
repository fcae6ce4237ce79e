#include "session/ClosingSave.h"

#include "support/Texts.h"

HistorySave SaveHistoryAtClose(const std::function<HistorySave()>& save, CloseKind kind,
                               const SaveFailureAsker& ask, const std::string& path)
{
    HistorySave result = save();
    while (result == HistorySave::Failed && kind == CloseKind::User && ask &&
           ask(path) == SaveFailureAnswer::Retry)
        result = save();
    return result;
}

std::string SaveFailureText(const std::string& path, Support::Language language)
{
    using Support::Text;
    return Support::TextFor(Text::SaveFailureStart, language) + path +
           Support::TextFor(Text::SaveFailureEnd, language);
}
