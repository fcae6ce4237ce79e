#include "testsupport/MainFormRig.h"

#include "testsupport/TestSupport.h"

namespace TestSupport {

MainFormRig::MainFormRig(Quotes::Fetcher& fetcher, Support::Language language, MainFormLinks links)
    : facts(Facts(language)), session(facts, settings, fetcher), form(session, std::move(links))
{
}

} // namespace TestSupport
