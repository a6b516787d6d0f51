// SPDX-License-Identifier: GPL-3.0-or-later
// The traffic log's incremental line breaking against the whole-text replacement: with bounds too
// large to matter the texts are equal; with small bounds (from the first two input bytes) the log
// keeps exactly the newest part that fits. The rest of the input is a series of steps: a received
// chunk (a length byte below 0xF0 and its bytes), a send marker (0xF0 to 0xFD and the byte sent)
// or a display reset (0xFE, 0xFF).

#include "fuzzcheck.h"

#include "support/references.h"

using namespace talvor;

namespace {

void checkLines(const TrafficLog &log)
{
    if (const QByteArray problem = test::linesMismatch(log); !problem.isEmpty())
        fuzz::fail(problem);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const unsigned char *data, size_t size)
{
    fuzz::Input input(data, size);
    const TrafficLog::Limits small{1 + input.byte() % 16, 3 + input.byte() % 128};
    TrafficLog unbounded;
    TrafficLog bounded(small);
    test::ReferenceLog reference;
    while (!input.atEnd()) {
        const unsigned char step = input.byte();
        if (step >= 0xFE) {
            unbounded.clear();
            bounded.clear();
            reference.clear();
        } else if (step >= 0xF0) {
            const QByteArray caption = "0x" + QByteArray(1, char(input.byte())).toHex().toUpper();
            unbounded.appendMarker(caption);
            bounded.appendMarker(caption);
            reference.appendMarker(caption);
        } else {
            const QByteArray chunk = input.bytes(step % 24);
            unbounded.appendReceived(chunk);
            bounded.appendReceived(chunk);
            reference.appendReceived(chunk);
        }
        const QByteArray full = reference.text();
        if (unbounded.text() != full)
            fuzz::fail("text\n" + unbounded.text() + "\ninstead of\n" + full);
        if (const QByteArray problem = test::boundedTailMismatch(bounded, full, small);
            !problem.isEmpty())
            fuzz::fail(problem);
        checkLines(unbounded);
        checkLines(bounded);
    }
    return 0;
}
