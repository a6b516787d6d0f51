// SPDX-License-Identifier: GPL-3.0-or-later
#include "simoptions.h"

#include <algorithm>
#include <charconv>
#include <limits>
#include <string_view>

namespace talvor::sim {

namespace {

enum class ValueKind { None, Required, Optional };

// Each handler stores its value and returns what is wrong with it, or nothing.
using Apply = std::string (*)(SimOptions &, std::string_view);

struct OptionEntry {
    std::string_view name;
    ValueKind kind;
    Apply apply;
};

constexpr std::uint64_t kMaxU64 = std::numeric_limits<std::uint64_t>::max();

std::optional<std::uint64_t> toUnsigned(std::string_view text, std::uint64_t min, std::uint64_t max)
{
    std::uint64_t value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || value < min || value > max)
        return std::nullopt;
    return value;
}

std::optional<double> toReal(std::string_view text, double min, double max)
{
    double value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || !(value >= min && value <= max))
        return std::nullopt;
    return value;
}

std::string rangeError(std::string_view what, std::string_view text)
{
    return "expected " + std::string(what) + ", got \"" + std::string(text) + "\"";
}

std::string applySeed(SimOptions &o, std::string_view v)
{
    const auto n = toUnsigned(v, 0, kMaxU64);
    if (!n)
        return rangeError("a whole number from 0 to 18446744073709551615", v);
    o.seed = *n;
    return {};
}

std::string applyPath(std::string &target, std::string_view v)
{
    if (v.empty())
        return "expected a path";
    target = std::string(v);
    return {};
}

std::string applyNoise(SimOptions &o, std::string_view v)
{
    const auto level = v.empty() ? std::optional(kDefaultNoiseLevel) : toReal(v, 0.0, 1.0);
    if (!level)
        return rangeError("a level from 0 to 1", v);
    o.noiseLevel = *level;
    return {};
}

std::string applySplitPause(SimOptions &o, std::string_view v)
{
    const auto ms = toUnsigned(v, 1, 10000);
    if (!ms)
        return rangeError("milliseconds from 1 to 10000", v);
    o.splitPause = std::chrono::milliseconds(*ms);
    return {};
}

std::string applyUnsolicited(SimOptions &o, std::string_view v)
{
    const auto rate = toReal(v, 0.001, 1000.0);
    if (!rate)
        return rangeError("reports per second from 0.001 to 1000", v);
    o.unsolicitedRate = *rate;
    return {};
}

std::string applyStream(SimOptions &o, std::string_view v)
{
    const auto rate = toUnsigned(v, 1, 100'000'000);
    if (!rate)
        return rangeError("bytes per second from 1 to 100000000", v);
    o.streamRate = *rate;
    return {};
}

std::string applyTotal(SimOptions &o, std::string_view v)
{
    const auto total = toUnsigned(v, 1, kMaxU64);
    if (!total)
        return rangeError("a number of bytes from 1 up", v);
    o.streamTotal = *total;
    return {};
}

std::string applyLatency(SimOptions &o, std::string_view v)
{
    const auto ms = toUnsigned(v, 1, 1000);
    if (!ms)
        return rangeError("milliseconds from 1 to 1000", v);
    o.latency = std::chrono::milliseconds(*ms);
    return {};
}

std::string applySpeed(SimOptions &o, std::string_view v)
{
    const auto speed = toReal(v, 0.001, 1000.0);
    if (!speed)
        return rangeError("a factor from 0.001 to 1000", v);
    o.replaySpeed = *speed;
    return {};
}

constexpr OptionEntry kOptions[] = {
    {"help", ValueKind::None,
     [](SimOptions &o, std::string_view) {
         return (o.help = true, std::string());
     }},
    {"version", ValueKind::None,
     [](SimOptions &o, std::string_view) {
         return (o.version = true, std::string());
     }},
    {"quiet", ValueKind::None,
     [](SimOptions &o, std::string_view) {
         return (o.quiet = true, std::string());
     }},
    {"seed", ValueKind::Required, applySeed},
    {"link", ValueKind::Required,
     [](SimOptions &o, std::string_view v) {
         return applyPath(o.linkPath, v);
     }},
    {"record", ValueKind::Required,
     [](SimOptions &o, std::string_view v) {
         return applyPath(o.recordPath, v);
     }},
    {"noise", ValueKind::Optional, applyNoise},
    {"split", ValueKind::None,
     [](SimOptions &o, std::string_view) {
         return (o.split = true, std::string());
     }},
    {"split-pause", ValueKind::Required, applySplitPause},
    {"unsolicited", ValueKind::Required, applyUnsolicited},
    {"stream", ValueKind::Required, applyStream},
    {"total", ValueKind::Required, applyTotal},
    {"changing", ValueKind::None,
     [](SimOptions &o, std::string_view) {
         return (o.streamChanging = true, std::string());
     }},
    {"latency", ValueKind::Required, applyLatency},
    {"replay", ValueKind::Required,
     [](SimOptions &o, std::string_view v) {
         return applyPath(o.replayPath, v);
     }},
    {"speed", ValueKind::Required, applySpeed},
    {"no-timing", ValueKind::None,
     [](SimOptions &o, std::string_view) {
         return (o.replayNoTiming = true, std::string());
     }},
    {"loop", ValueKind::None,
     [](SimOptions &o, std::string_view) {
         return (o.replayLoop = true, std::string());
     }},
    {"silent", ValueKind::Required,
     [](SimOptions &o, std::string_view v) {
         return addSilentDetectors(o.faults, v);
     }},
    {"address", ValueKind::Required,
     [](SimOptions &o, std::string_view v) {
         return addAddress(o.faults, v);
     }},
    {"cv", ValueKind::Required,
     [](SimOptions &o, std::string_view v) {
         return addCvValue(o.faults, v);
     }},
};

const OptionEntry *findOption(std::string_view name)
{
    if (name == "-h")
        name = "--help";
    else if (name == "-q")
        name = "--quiet";
    if (!name.starts_with("--"))
        return nullptr;
    name.remove_prefix(2);
    for (const OptionEntry &entry : kOptions) {
        if (entry.name == name)
            return &entry;
    }
    return nullptr;
}

std::string checkCombinations(const SimOptions &o, const std::vector<std::string_view> &given)
{
    const auto wasGiven = [&given](std::string_view name) {
        return std::find(given.begin(), given.end(), name) != given.end();
    };
    if (wasGiven("--total") && o.streamRate == 0)
        return "--total needs --stream";
    if (wasGiven("--changing") && o.streamRate == 0)
        return "--changing needs --stream";
    if (wasGiven("--split-pause") && !o.split)
        return "--split-pause needs --split";
    for (const std::string_view name : {"--speed", "--no-timing", "--loop"}) {
        if (wasGiven(name) && o.replayPath.empty())
            return std::string(name) + " needs --replay";
    }
    if (wasGiven("--speed") && o.replayNoTiming)
        return "--speed and --no-timing exclude each other";
    if (!o.replayPath.empty()) {
        for (const std::string_view name :
             {"--noise", "--split", "--unsolicited", "--stream", "--silent", "--address", "--cv"}) {
            if (wasGiven(name))
                return "--replay sends the recording as it is and takes no " + std::string(name);
        }
    }
    return {};
}

} // namespace

ParsedOptions parseOptions(const std::vector<std::string> &arguments)
{
    SimOptions options;
    std::vector<std::string_view> given;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string_view argument = arguments[i];
        const auto equals = argument.find('=');
        const std::string_view name = argument.substr(0, equals);
        const OptionEntry *entry = findOption(name);
        if (entry == nullptr) {
            const bool isOption = argument.starts_with("-");
            return {std::nullopt,
                    std::string(isOption ? "unknown option: " : "unexpected argument: ") +
                        std::string(argument)};
        }
        given.push_back(name);
        std::string_view value;
        if (equals != std::string_view::npos) {
            if (entry->kind == ValueKind::None)
                return {std::nullopt, std::string(name) + " takes no value"};
            value = argument.substr(equals + 1);
        } else if (entry->kind == ValueKind::Required) {
            if (i + 1 == arguments.size())
                return {std::nullopt, "missing value for " + std::string(name)};
            value = arguments[++i];
        } else if (entry->kind == ValueKind::Optional && i + 1 < arguments.size() &&
                   !arguments[i + 1].starts_with("-")) {
            value = arguments[++i];
        }
        if (std::string error = entry->apply(options, value); !error.empty())
            return {std::nullopt, std::string(name) + ": " + error};
    }
    if (std::string error = checkCombinations(options, given); !error.empty())
        return {std::nullopt, error};
    return {options, {}};
}

std::string helpText()
{
    return R"(Usage: talvor-sim [options]

A Talvor on a pseudo-terminal, for trying out and testing Talvor-Tester without the device.
Prints the device path (for example /dev/pts/5) as the first line on standard output; open
that path in the tester. Runs until Ctrl-C, SIGTERM or SIGHUP, then exits with code 0.

The device has 24 detectors, each with an address (0 "frei"; high and low part 0x77
"unbek."; otherwise 1 to 32767), the direction flag (bit 7 of the address high byte) and a
CV value, and a serial number, software and hardware version. It answers the commands:
  0x20         the address report of each detector, 1 to 24 in order
  0x40 + n     the address report, then the CV report of detector n (n = 1 to 24)
  0x60         the system-information report
  0x80 + n     programs detector n and sends its address report; the new address is the
               lowest one from 1 up that no detector holds, the detector's own old address
               included, so that it always changes; the flag and the CV value stay
Every other byte is ignored. Nothing is sent while no program has the device open.

Options:
  -h, --help              Show this text and exit.
  --version               Show the version and the licence and exit.
  -q, --quiet             Print nothing but the device path (and errors) instead of the
                          starting state and a line for each command on standard error.
  --seed N                The starting state and all randomness (noise, split points,
                          reports, stream) come from N (default 1), so the same N and the
                          same commands give the same bytes. Every N gives 2 to 4 free
                          detectors, 2 or 3 with an unknown address, 3 to 6 with the flag
                          set, the others distinct addresses, and random CV values.
  --link PATH             Also make PATH a symbolic link to the device (an older symbolic
                          link there is replaced); removed again on exit.
  --record FILE           Append every byte sent to the device's other side to FILE, as it
                          is sent (binary).
  --noise[=LEVEL]         Put a burst of 1 to 8 random bytes in front of a frame with the
                          chance LEVEL (0 to 1, default 0.2; also "--noise LEVEL"). Noise
                          never lands inside a frame, but random bytes can form a frame or
                          make a frame's type byte look like data.
  --split                 Cut every frame into 2 or 3 pieces at random points and write the
                          pieces separately, with a pause between them (which slows a
                          stream down).
  --split-pause MS        The pause between the pieces of a frame with --split, in
                          milliseconds (1 to 10000, default 60).
  --unsolicited RATE      Send RATE reports a second (0.001 to 1000) on its own, each the
                          address or CV report of a random detector.
  --stream BYTES_PER_SECOND
                          Send a continuous mixed stream of reports (address, CV and
                          system information of random detectors) at this rate, for load
                          tests; --noise and --split apply to it too. Commands are still
                          answered, in between.
  --total BYTES           Stop the stream at the end of the frame with which it reaches
                          BYTES bytes (its noise counted), then only answer commands.
  --changing              Stream address and CV reports with random addresses and CV
                          values instead of the detectors' own, so that every report
                          changes what the tester shows, on all 24 rows.
  --latency MS            Hold everything to be sent and write it in one go every MS
                          milliseconds (1 to 1000), as a USB serial adapter's latency
                          timer does (16 ms with most); without it every frame is written
                          on its own as soon as it is due.

A faulty unit, for trying the tester's unattended check without a faulty device;
each of these may be given more than once:
  --silent LIST           These detectors answer no command and send no report of their
                          own with --unsolicited (the load of --stream stays as it is):
                          numbers 1 to 24 and ranges, separated by commas (--silent 3,7-9).
  --address N=ADDRESS     Detector N has ADDRESS (0 to 32767; 0 is "frei", 30583 = 0x7777
                          "unbek.") instead of the one from the seed; its flag stays.
  --cv N=VALUE            Detector N has the CV value VALUE (0 to 255).

Replaying a recording of Talvor-Tester ("Mitschnitt", format in README.md):
  --replay FILE           Send the bytes that the device sent in the recording (its RX
                          lines), with the recorded pauses between them, starting when a
                          program opens the device (again from the start at every open).
                          Commands are read and ignored meanwhile. At the end of the file
                          the simulator waits one second for the program to read the last
                          bytes and exits with code 0. A line it cannot read is reported
                          on standard error with its line number (once, with --loop
                          too) and skipped. LF and CR LF line ends are both read. The pause
                          between two recordings appended to one file is left out.
  --speed FACTOR          Replay FACTOR times as fast (0.001 to 1000, default 1).
  --no-timing             Replay as fast as the device takes the bytes, without pauses.
  --loop                  Start again at the end of the file instead of exiting.

Exit codes: 0 after a signal or at the end of a replay, 1 when the device cannot be set up or
written or the recording cannot be opened or holds no RX line to replay, 2 for a wrong command
line.
)";
}

} // namespace talvor::sim
