#pragma once

// Names a user may pick in a file dialog that are no plain files: the file readers must refuse
// each at once, without blocking and without reading without end.
#include <juce_core/juce_core.h>

#include <sys/stat.h>
#include <unistd.h>

namespace orvane::test
{
enum class SpecialFile
{
    fifo,          // opening it for reading would wait for a writer for ever
    folder,        // a folder that carries the file's extension
    endlessLink,   // a link to /dev/zero: size 0 as reported, bytes without end
    failingRead,   // a link to /proc/self/mem, a regular file whose first read fails (also for root)
};

inline const char* describe (SpecialFile kind)
{
    switch (kind)
    {
        case SpecialFile::fifo: return "FIFO";
        case SpecialFile::folder: return "folder";
        case SpecialFile::endlessLink: return "link to /dev/zero";
        case SpecialFile::failingRead: return "link to /proc/self/mem";
    }
    return "?";
}

/** Makes `file` (which must not exist yet) the special file; true when it worked. */
inline bool makeSpecialFile (const juce::File& file, SpecialFile kind)
{
    const auto path = file.getFullPathName().toStdString();
    switch (kind)
    {
        case SpecialFile::fifo: return ::mkfifo (path.c_str(), 0644) == 0;
        case SpecialFile::folder: return file.createDirectory().wasOk();
        case SpecialFile::endlessLink: return ::symlink ("/dev/zero", path.c_str()) == 0;
        case SpecialFile::failingRead: return ::symlink ("/proc/self/mem", path.c_str()) == 0;
    }
    return false;
}

constexpr SpecialFile allSpecialFiles[] = { SpecialFile::fifo, SpecialFile::folder, SpecialFile::endlessLink,
                                            SpecialFile::failingRead };
}   // namespace orvane::test
