#include "testsupport/MainFormRig.h"

#include "support/Trace.h"
#include "testsupport/TestSupport.h"

namespace TestSupport {

MainFormRig::MainFormRig(ScriptedFetcher& fetcher, Support::Language language, MainFormLinks links)
    : facts(Facts(language)), session(facts, settings, fetcher),
      form((Support::SetTraceFolder(facts.dataFolder), session), std::move(links))
{
    fetcher.Settle();
}

} // namespace TestSupport
