// Feeds arbitrary bytes to the translate.dat reader, then writes and re-reads what it
// kept: the rows must survive the round trip unchanged.
#include "i18n/translate.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    TDynaArray<TTranslationRow> table;
    const TranslationReadResult res = ReadTranslationData(bytes, table);
    if (res.rowsRead != table.Count())
        std::abort();

    const QByteArray written = WriteTranslationData(table);
    TDynaArray<TTranslationRow> again;
    const TranslationReadResult res2 = ReadTranslationData(written, again);
    if (res2.damaged || again.Count() != table.Count())
        std::abort();
    for (int r = 0; r < table.Count(); ++r)
        if (again[r].spalten != table[r].spalten)
            std::abort();
    return 0;
}
