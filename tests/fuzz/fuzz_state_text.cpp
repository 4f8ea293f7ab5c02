// The account library's state file. Any file text parses without harm and what it yields is
// written back unchanged; any storable group, key and value reads back exactly as written.
#include "fuzzcheck.h"
#include "qkitstatetext.h"

#include <cstddef>
#include <cstdint>

namespace {

// The next piece of text: a length byte, then one byte per code unit. Bytes below 0x80 are
// ASCII, the next few pick characters that tend to break text files, and 0xf0 and above take
// the following two bytes as any UTF-16 code unit, lone surrogate halves included.
QString takeText(const uint8_t *&data, size_t &size)
{
    static const char16_t kSpecial[] = {0xfeff, 0xfffe, 0x00a0, 0x0085, 0x2028, 0x3000, 0x4e2d,
                                        0xd83d, 0xde00, 0xd800, 0xdc00, 0xffff, 0x00e9, 0x0301};
    if (size == 0)
        return QString();
    size_t units = *data++ % 16;
    --size;
    QString text;
    while (units-- > 0 && size > 0) {
        const uint8_t byte = *data++;
        --size;
        if (byte < 0x80) {
            text += QChar(byte);
        } else if (byte < 0xf0) {
            text += QChar(kSpecial[byte % (sizeof(kSpecial) / sizeof(kSpecial[0]))]);
        } else if (size >= 2) {
            text += QChar(static_cast<char16_t>(data[0] | data[1] << 8));
            data += 2;
            size -= 2;
        }
    }
    return text;
}

void checkRoundTrip(const QKitStateText::Groups &groups)
{
    bool clean = false;
    const QKitStateText::Groups again =
        QKitStateText::parse(QKitStateText::serialize(groups), &clean);
    FUZZ_CHECK(clean);
    FUZZ_CHECK(again == groups);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // The input as a file someone else wrote.
    bool clean = false;
    const QKitStateText::Groups parsed =
        QKitStateText::parse(QByteArray(reinterpret_cast<const char *>(data), int(size)), &clean);
    for (const QKitStateText::Group &group : parsed)
        FUZZ_CHECK(!group.isEmpty());
    checkRoundTrip(parsed);

    // The input as names and values handed to the library.
    QKitStateText::Groups stored;
    while (size > 0) {
        const QString group = takeText(data, size);
        const QString key = takeText(data, size);
        const QString value = takeText(data, size);
        if (QKitStateText::isStorable(group) && QKitStateText::isStorable(key)
            && QKitStateText::isStorable(value))
            stored[group][key] = value;
    }
    checkRoundTrip(stored);
    return 0;
}
