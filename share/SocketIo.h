#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "share/NetAddress.h"
#include "share/UniqueFd.h"

// The few socket calls the server makes, each with the errors turned into a message.

// A TCP socket listening on `address`; invalid, with `error` set, when it cannot be had.
UniqueFd ListenTcp(const NetAddress& address, std::string& error);
// A UDP socket bound to `address` that reports each datagram's destination (IP_PKTINFO).
UniqueFd BindUdp(const NetAddress& address, std::string& error);
// A TCP connection to `address` within `timeout`; invalid when refused or late.
UniqueFd ConnectTcp(const NetAddress& address, std::chrono::milliseconds timeout);
// Sends every byte, waiting at most `timeout` for the peer to take them.
bool SendAll(int fd, const std::vector<std::uint8_t>& bytes, std::chrono::milliseconds timeout);
// The local address a socket is bound to.
NetAddress LocalAddress(int fd);
// strerror(errno) of the failed call.
std::string SystemError(const std::string& call);
