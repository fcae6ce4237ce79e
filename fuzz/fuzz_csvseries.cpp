// The historical-data download read as a series of daily closes, as if it came with status 200.
// Input: a byte of switches (1: no ISIN check, 2: a comma as separator), then the body.

#include "FuzzSupport.h"
#include "SeriesCheck.h"

#include "quotes/SourceReaders.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    Fuzz::SetUp();
    Fuzz::Input input(data, size);
    const std::uint8_t switches = input.Byte();
    Quotes::CsvSeriesSelectors selectors;
    if (switches & 1)
        selectors.isin.clear();
    if (switches & 2)
        selectors.separator = ',';
    Quotes::FetchResult fetched;
    fetched.body = std::string(input.Rest());
    fetched.status = 200;
    fetched.ending = Quotes::FetchEnding::Complete;
    Fuzz::CheckSeries(Quotes::ReadCsvSeries(fetched, selectors));
    return 0;
}
