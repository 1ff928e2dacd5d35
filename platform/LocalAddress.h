// The local network address a mail to the maker may quote: the dotted IPv4 text of the last
// address of the last network interface that has one (loopback left out), or "" when there is
// none.
#pragma once

#include <string>

std::string LastLocalIpv4Address();
