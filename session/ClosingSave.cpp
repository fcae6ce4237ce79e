#include "session/ClosingSave.h"

HistorySave SaveHistoryAtClose(const std::function<HistorySave()>& save, CloseKind kind,
                               const SaveFailureAsker& ask, const std::string& path)
{
    HistorySave result = save();
    while (result == HistorySave::Failed && kind == CloseKind::User && ask &&
           ask(path) == SaveFailureAnswer::Retry)
        result = save();
    return result;
}

std::string SaveFailureText(const std::string& path)
{
    return "De koersgeschiedenis kon niet worden opgeslagen in " + path +
           ".\n\nHet vorige bestand is onveranderd, maar de koersen van deze sessie gaan verloren als u "
           "sluit zonder opslaan. Maak ruimte vrij op de schijf of maak de map beschrijfbaar en probeer "
           "het opnieuw.";
}
