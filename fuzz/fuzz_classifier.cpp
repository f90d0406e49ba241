// curl's output classifier: the verdict does not depend on how the output is cut into
// pieces, and on ASCII output it is the verdict of the plain whole-output rule.
#include "statusclassifier.h"
#include "statusrule.h"

#include "fuzzcheck.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1)
        return 0;
    // The first byte seeds the cut points; the rest is the output.
    unsigned seed = data[0];
    const QByteArray output(reinterpret_cast<const char *>(data + 1), int(size - 1));

    StatusClassifier whole;
    whole.feed(output.constData(), output.size());
    StatusClassifier pieces;
    for (int i = 0; i < output.size();) {
        seed = seed * 1103515245u + 12345u;
        const int chunk = qMin(output.size() - i, 1 + int((seed >> 16) % 17));
        pieces.feed(output.constData() + i, chunk);
        i += chunk;
    }
    check(whole.succeeded() == pieces.succeeded());

    bool ascii = true;
    for (const char c : output)
        ascii = ascii && static_cast<unsigned char>(c) < 0x80 && c != '\0';
    if (ascii)
        check(whole.succeeded() == wholeOutputRule(output));
    return 0;
}
