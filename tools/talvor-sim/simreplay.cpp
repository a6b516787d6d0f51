// SPDX-License-Identifier: GPL-3.0-or-later
#include "simreplay.h"

#include "hexdigits.h"

#include <algorithm>
#include <array>
#include <charconv>

namespace talvor::sim {

namespace {

constexpr std::array<std::string_view, 8> kOtherKinds = {
    "TX", "CONNECT", "DISCONNECT", "LOST", "RESET", "START", "STOP", "UNRECORDED"};

std::optional<int> number(std::string_view text, std::size_t from, std::size_t digits)
{
    int value = 0;
    const char *first = text.data() + from;
    const auto [end, ec] = std::from_chars(first, first + digits, value);
    if (ec != std::errc() || end != first + digits || *first == '-' || *first == '+')
        return std::nullopt;
    return value;
}

// "FC 05 12 34 FF": pairs separated by one blank.
std::optional<Frame> parseHexPairs(std::string_view text)
{
    if (text.size() % 3 != 2)
        return std::nullopt;
    Frame bytes;
    bytes.reserve(text.size() / 3 + 1);
    for (std::size_t i = 0; i < text.size(); i += 3) {
        const int high = hexDigitValue(text[i]);
        const int low = hexDigitValue(text[i + 1]);
        if (high < 0 || low < 0 || (i + 2 < text.size() && text[i + 2] != ' '))
            return std::nullopt;
        bytes.push_back(static_cast<std::uint8_t>(high * 16 + low));
    }
    return bytes;
}

// A longer pause is no pause the device made but a clock that jumped; it is left out.
constexpr long long kLongestPause = 100LL * 366 * 24 * 3600 * 1000;

} // namespace

std::optional<long long> parseRecordTime(std::string_view text)
{
    // 2026-12-07T14:03:27.123+01:00
    constexpr std::string_view kShape = "0000-00-00T00:00:00.000+00:00";
    if (text.size() != kShape.size())
        return std::nullopt;
    for (std::size_t i = 0; i < kShape.size(); ++i) {
        const bool digit = text[i] >= '0' && text[i] <= '9';
        if (kShape[i] == '0'
                ? !digit
                : (kShape[i] == '+' ? text[i] != '+' && text[i] != '-' : text[i] != kShape[i]))
            return std::nullopt;
    }
    const auto year = number(text, 0, 4), month = number(text, 5, 2), day = number(text, 8, 2);
    const auto hour = number(text, 11, 2), minute = number(text, 14, 2),
               second = number(text, 17, 2), ms = number(text, 20, 3);
    const auto offsetHours = number(text, 24, 2), offsetMinutes = number(text, 27, 2);
    using namespace std::chrono;
    const year_month_day date{std::chrono::year(*year), std::chrono::month(unsigned(*month)),
                              std::chrono::day(unsigned(*day))};
    if (!date.ok() || *hour > 23 || *minute > 59 || *second > 60 || *offsetHours > 23 ||
        *offsetMinutes > 59)
        return std::nullopt;
    const long long offset = (*offsetHours * 60LL + *offsetMinutes) * 60'000;
    const long long local = duration_cast<milliseconds>(sys_days(date).time_since_epoch()).count() +
                            ((*hour * 60LL + *minute) * 60 + *second) * 1000 + *ms;
    return text[23] == '+' ? local - offset : local + offset;
}

ReplayReader::ReplayReader(std::istream &in, std::string name, std::ostream &problems)
    : m_in(in)
    , m_name(std::move(name))
    , m_problems(problems)
{
}

void ReplayReader::rewind()
{
    m_in.clear();
    m_in.seekg(0);
    m_lineNumber = 0;
    m_lastTime.reset();
    m_at = std::chrono::milliseconds(0);
}

void ReplayReader::report(const std::string &what, std::string_view outcome)
{
    if (m_lineNumber <= m_reportedUpTo)
        return;
    m_reportedUpTo = m_lineNumber;
    m_problems << "talvor-sim: " << m_name << ':' << m_lineNumber << ": " << what << ", " << outcome
               << '\n';
}

std::optional<ReplayChunk> ReplayReader::next()
{
    std::string line;
    while (std::getline(m_in, line)) {
        ++m_lineNumber;
        if (line.ends_with('\r'))
            line.pop_back();
        const std::string_view text = line;
        if (text.empty() || text.front() == '#')
            continue;
        const auto blank = text.find(' ');
        const auto time = parseRecordTime(text.substr(0, blank));
        if (!time) {
            report("no time at the start");
            continue;
        }
        const std::string_view rest = blank == std::string_view::npos ? "" : text.substr(blank + 1);
        const std::string_view kind = rest.substr(0, rest.find(' '));
        if (kind == "START") {
            // A recording appended to an earlier one: its first bytes follow without a pause.
            m_lastTime.reset();
            continue;
        }
        if (kind != "RX") {
            if (std::find(kOtherKinds.begin(), kOtherKinds.end(), kind) == kOtherKinds.end())
                report("unknown kind \"" + std::string(kind) + "\"");
            continue;
        }
        const auto bytes = parseHexPairs(rest.size() > 3 ? rest.substr(3) : std::string_view());
        if (!bytes) {
            report("the bytes are not hex pairs separated by blanks");
            continue;
        }
        const long long pause = m_lastTime ? std::max(0LL, *time - *m_lastTime) : 0;
        if (pause > kLongestPause)
            report("a pause of more than 100 years before it", "pause left out");
        else
            m_at += std::chrono::milliseconds(pause);
        m_lastTime = *time;
        return ReplayChunk{m_at, *bytes};
    }
    return std::nullopt;
}

} // namespace talvor::sim
