// The explorer as a program (`explorer --seconds N`, `--seed S`, `--replay "EVENTS"`) and the
// orders of events that it found, kept as cases that replay them.
#include "Explorer.h"

#include "support/TestHarness.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <mutex>

using namespace orvane::explorer;

namespace
{
/** The explorer's options, read from the command line that the test framework left alone. */
struct Options
{
    std::optional<double> seconds;
    std::optional<uint64_t> seed;
    std::optional<std::string> replayed;
    bool shrinkFindings = true;
    bool verbose = false;
    Settings settings;
};

Options readOptions()
{
    Options options;
    options.settings.timeScale = 0.01 * orvane::test::slowness;
    const auto args = ::testing::internal::GetArgvs();
    for (size_t i = 1; i < args.size(); ++i)
    {
        const auto& arg = args[i];
        const bool hasValue = i + 1 < args.size();
        if (arg == "--seconds" && hasValue)
            options.seconds = std::stod (args[++i]);
        else if (arg == "--seed" && hasValue)
            options.seed = std::stoull (args[++i]);
        else if (arg == "--replay" && hasValue)
            options.replayed = args[++i];
        else if (arg == "--scale" && hasValue)
            options.settings.timeScale = std::stod (args[++i]);
        else if (arg == "--length" && hasValue)
            options.settings.length = std::stoi (args[++i]);
        else if (arg == "--ignore" && hasValue)
            options.settings.ignored.push_back (args[++i]);
        else if (arg == "--verbose")
            options.verbose = true;
        else if (arg == "--without" && hasValue)
            options.settings.without.push_back (args[++i]);
        else if (arg == "--no-shrink")
            options.shrinkFindings = false;
    }
    return options;
}

uint64_t sequenceSeed (uint64_t base, uint64_t index)
{
    // splitmix64: neighbouring indexes give unrelated seeds.
    uint64_t z = base + 0x9E3779B97F4A7C15ull * (index + 1);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

/** Whether the events break the invariant in any of a few runs (the threads' timing differs
    from run to run), each in a process of its own: a candidate may hold its message thread in
    a loop that never returns. */
bool failsInChild (const Events& events, const std::string& invariant, const Options& options)
{
    // The list holds no quote: names, colons, digits and blanks only.
    // This program by its own link: the file dialogs move the working folder, so the path it
    // was started by may no longer lead to it.
    std::string command = "cd / && '" + std::filesystem::read_symlink ("/proc/self/exe").string() + "' --no-shrink --scale " + std::to_string (options.settings.timeScale) + " --replay '" + format (events) + "'";
    for (const auto& ignored : options.settings.ignored)
        command += " --ignore " + ignored;
    command += " 2>/dev/null";
    for (int run = 0; run < 3; ++run)
    {
        std::unique_ptr<FILE, int (*) (FILE*)> child (popen (command.c_str(), "r"), pclose);
        if (child == nullptr)
            return false;
        std::string output;
        for (char buffer[4096]; fgets (buffer, sizeof (buffer), child.get()) != nullptr;)
            output += buffer;
        if (output.find ("FINDING " + invariant + ":") != std::string::npos)
            return true;
    }
    return false;
}

void printShrunk (const Events& shortest)
{
    std::cout << "  shrunk to " << shortest.size() << " events\nREPLAY " << format (shortest) << std::endl;
}

void report (const Outcome& outcome, const Options& options, const std::string& origin)
{
    std::cout << "FINDING " << outcome.finding.invariant << ": " << outcome.finding.detail << "\n  " << origin
              << "\n  events: " << format (outcome.events) << std::endl;
    if (options.shrinkFindings)
        printShrunk (shrink (outcome.events, [&] (const Events& candidate)
                             { return failsInChild (candidate, outcome.finding.invariant, options); }));
}

/** A stuck message thread: called from the explorer's alarm thread, before the process ends. */
void reportFreeze (const Events& events, const Options& options, const std::string& origin)
{
    std::cout << "FINDING editor-answers: the message thread never came back\n  " << origin << "\n  events: " << format (events)
              << std::endl;
    if (options.shrinkFindings)
        printShrunk (shrink (events, [&] (const Events& candidate)
                             { return failsInChild (candidate, "editor-answers", options); }));
}
}   // namespace

TEST (Explore, RandomOrders)
{
    auto options = readOptions();
    std::string origin = "replayed";   // what the sequence running now came from
    std::mutex originLock;
    options.settings.onFreeze = [&] (const Events& events)
    {
        const std::lock_guard<std::mutex> guard (originLock);
        reportFreeze (events, options, origin);
    };
    if (! options.seconds && ! options.seed && ! options.replayed)
        GTEST_SKIP() << "explores only when given --seconds N, --seed S or --replay \"EVENTS\"";
    prepareProcess();

    if (options.replayed)
    {
        const auto events = parse (*options.replayed);
        ASSERT_TRUE (events.has_value()) << "not a list of events: " << *options.replayed;
        const auto outcome = replay (*events, options.settings);
        if (outcome.finding)
            report (outcome, options, "replayed");
        EXPECT_FALSE (outcome.finding) << outcome.finding.invariant;
        return;
    }

    const auto base = options.seed.value_or ((uint64_t) std::chrono::steady_clock::now().time_since_epoch().count());
    const bool oneSeed = options.seed && ! options.seconds;
    std::cout << "explorer: base seed " << base << ", time scale " << options.settings.timeScale << std::endl;

    const auto start = std::chrono::steady_clock::now();
    const auto elapsed = [&]
    { return std::chrono::duration<double> (std::chrono::steady_clock::now() - start).count(); };
    uint64_t runs = 0;
    do
    {
        const auto seed = oneSeed ? base : sequenceSeed (base, runs);
        {
            const std::lock_guard<std::mutex> guard (originLock);
            origin = "seed " + std::to_string (seed) + " (sequence " + std::to_string (runs + 1) + " of base seed "
                + std::to_string (base) + "), after " + std::to_string (elapsed()) + " s";
        }
        const double began = elapsed();
        const auto outcome = explore (seed, options.settings);
        ++runs;
        if (options.verbose)
            std::cout << "  " << (int) ((elapsed() - began) * 1000) << " ms: " << format (outcome.events) << std::endl;
        if (outcome.finding)
        {
            report (outcome, options, origin);
            FAIL() << outcome.finding.invariant;
        }
    } while (! oneSeed && elapsed() < *options.seconds);

    std::cout << "explorer: " << runs << " sequences in " << elapsed() << " s (" << (int) (runs * 60.0 / elapsed())
              << " per minute), no finding" << std::endl;
}
