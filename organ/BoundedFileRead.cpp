#include "organ/BoundedFileRead.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace orvane
{
std::optional<juce::MemoryBlock> readRegularFile (const juce::File& file, size_t limit)
{
    // Non-blocking, so that opening a FIFO returns at once; the type is then tested on the
    // descriptor itself, so the file cannot be swapped between the test and the read.
    const int fd = ::open (file.getFullPathName().toRawUTF8(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    const juce::ScopeGuard closeFile { [fd]
                                       { ::close (fd); } };

    struct stat status
    {
    };
    if (::fstat (fd, &status) != 0 || ! S_ISREG (status.st_mode))
        return std::nullopt;

    juce::MemoryBlock content (limit + 1);
    auto* bytes = static_cast<char*> (content.getData());
    size_t size = 0;
    while (size < content.getSize())
    {
        const auto n = ::read (fd, bytes + size, content.getSize() - size);
        if (n == 0)
            break;
        if (n < 0)
        {
            if (errno == EINTR)
                continue;
            return std::nullopt;
        }
        size += (size_t) n;
    }

    content.setSize (size);
    return content;
}
}   // namespace orvane
