#pragma once

#include <string>

// What the program asks of the operating system about itself: version, machine and user.
namespace platform {

// The major version the program's version rules compare against. Linux always answers as a
// system newer than 5 (one with the elevation rules), so those rules stay active.
int osMajorVersion();

// The machine's host name; empty when it cannot be read.
std::string computerName();

// The logon name of the user running the program (the effective user, else $USER); empty when
// neither gives one.
std::string userName();

} // namespace platform
