#pragma once

#include <cstring>
#include <string>

#include <sys/socket.h>
#include <sys/un.h>

namespace orvane
{
/** Fills a UNIX socket address with `path`; false when the path does not fit the address
    (107 bytes on Linux). Shared by the virtual ports and their peers. */
inline bool fillUnixAddress (sockaddr_un& address, const std::string& path)
{
    if (path.size() >= sizeof (address.sun_path))
        return false;
    address = {};
    address.sun_family = AF_UNIX;
    std::memcpy (address.sun_path, path.c_str(), path.size() + 1);
    return true;
}
}   // namespace orvane
