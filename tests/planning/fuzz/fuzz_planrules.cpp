// Rules file reader on arbitrary bytes: no crash, no hang, and a file that reads writes
// back to bytes that read again to the same rules and the same bytes.
#include "planning/planrules.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    TPlanRules rules;
    if (!ParsePlanRules(QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)), rules))
        return 0;
    const QByteArray once = SerializePlanRules(rules);
    TPlanRules again;
    if (!ParsePlanRules(once, again) || SerializePlanRules(again) != once)
        std::abort();
    return 0;
}
