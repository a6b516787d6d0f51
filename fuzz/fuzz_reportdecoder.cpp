// SPDX-License-Identifier: GPL-3.0-or-later
// The decoder with its bounded buffer against the unbounded literal decoder: the same reports,
// run by run, and the same newest bytes kept. The input is a series of chunks, each a length byte
// and its bytes; a length byte of 0xFF empties both buffers, as a connect does.

#include "fuzzcheck.h"

#include "support/references.h"

#include <algorithm>

using namespace talvor;

namespace {

bool same(const std::vector<Report> &a, const std::vector<Report> &b)
{
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](const Report &x, const Report &y) {
        return x.kind == y.kind && x.detector == y.detector && x.frame() == y.frame();
    });
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const unsigned char *data, size_t size)
{
    fuzz::Input input(data, size);
    ReportDecoder decoder;
    QByteArray reference;
    while (!input.atEnd()) {
        const unsigned char length = input.byte();
        if (length == 0xFF) {
            decoder.clear();
            reference.clear();
            continue;
        }
        const QByteArray chunk = input.bytes(length % 32);
        decoder.append(chunk);
        reference.append(chunk);
        const std::vector<Report> got = decoder.decode();
        const std::vector<Report> expected = test::referenceDecoderRun(reference);
        if (!same(got, expected))
            fuzz::fail("reports " + test::describe(got).toLatin1() + " instead of " +
                       test::describe(expected).toLatin1());
        const QByteArray kept = reference.last(std::min<qsizetype>(5, reference.size()));
        if (decoder.pending() != kept)
            fuzz::fail("kept " + decoder.pending().toByteArray().toHex() + " instead of " +
                       kept.toHex());
    }
    return 0;
}
