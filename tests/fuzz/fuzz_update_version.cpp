// The update check's version text, as a server or a file hands it over. A version read from it
// reads the same again from its own text, compares consistently, and offers only an http(s)
// download address.
#include "fuzzcheck.h"
#include "qkitversion.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray text(reinterpret_cast<const char *>(data), int(size));
    const QKitVersion version = QKitVersion::fromUpdateText(text);
    // The same text split in two gives a second version to compare with.
    const QKitVersion other = QKitVersion::fromUpdateText(text.mid(int(size / 2)));
    if (other.isValid() && version.isValid())
        FUZZ_CHECK(version.compare(other) == -other.compare(version));
    if (!version.isValid()) {
        FUZZ_CHECK(version.toString().isEmpty());
        FUZZ_CHECK(version.downloadUrl().isEmpty());
        return 0;
    }
    FUZZ_CHECK(version.compare(version) == 0);
    const QKitVersion again = QKitVersion::fromString(version.toString());
    FUZZ_CHECK(again.isValid());
    FUZZ_CHECK(again.toString() == version.toString());
    FUZZ_CHECK(again.compare(version) == 0 && version.compare(again) == 0);
    FUZZ_CHECK(QKitVersion::fromUpdateText(version.toString().toUtf8()).compare(version) == 0);
    const QUrl download = version.downloadUrl();
    if (!download.isEmpty()) {
        FUZZ_CHECK(download.isValid());
        FUZZ_CHECK(download.scheme() == QLatin1String("http")
                   || download.scheme() == QLatin1String("https"));
    }
    return 0;
}
