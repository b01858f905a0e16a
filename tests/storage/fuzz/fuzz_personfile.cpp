// Person file reader on arbitrary bytes: no crash, no hang, counts bounded by the input,
// and whatever is read completely is written back and read again to the same bytes.
#include "storage/rosterfiles.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const char* bytes = reinterpret_cast<const char*>(data);
    const TPlanSettings defaults;
    TPersonFileContent content(defaults);
    if (ParsePersonFile(bytes, qsizetype(size), content) != TReadResult::Ok)
        return 0;
    // Each person takes at least 25 bytes and each entry 16 (plus 8 in S10).
    qint64 entries = 0;
    for (const TPerson& p : content.personen)
        entries += p.eintraege.Count();
    if (qint64(content.personen.Count()) * 25 + entries * 16 > qint64(size))
        std::abort();

    const QByteArray once = SerializePersonFile(content.personen, content.settings);
    TPersonFileContent again(defaults);
    if (ParsePersonFile(once.constData(), once.size(), again) != TReadResult::Ok)
        std::abort();
    if (SerializePersonFile(again.personen, again.settings) != once)
        std::abort();
    return 0;
}
