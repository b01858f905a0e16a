// Duty file reader on arbitrary bytes: no crash, no hang, the duty count bounded by the
// input, and a complete read written back reads again to the same bytes.
#include "storage/rosterfiles.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const char* bytes = reinterpret_cast<const char*>(data);
    TDutyFileContent content(10.0);
    if (ParseDutyFile(bytes, qsizetype(size), content) != TReadResult::Ok)
        return 0;
    if (qint64(content.dienste.Count()) * 12 > qint64(size))
        std::abort();

    const QByteArray once = SerializeDutyFile(content.dienste, content.randbreite);
    TDutyFileContent again(10.0);
    if (ParseDutyFile(once.constData(), once.size(), again) != TReadResult::Ok)
        std::abort();
    if (SerializeDutyFile(again.dienste, again.randbreite) != once)
        std::abort();
    return 0;
}
