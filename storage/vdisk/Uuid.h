// UUIDs as the virtual-disk formats store them: 16 bytes in network byte order (the first three
// fields big-endian, as RFC 4122 writes them), and their 36-character text.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

using Uuid = std::array<std::byte, 16>;

// Fills id with a new random (version 4) UUID; leaves it as it was when no random source works.
void UuidGenerate(Uuid& id);
// Parses "xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx" (either case, optionally in braces) into id:
// 0 on success, -1 (id unchanged) on a malformed text.
int UuidParse(std::string_view text, Uuid& id);
// The 36-character lower-case text.
std::string UuidFormat(const Uuid& id);
void UuidClear(Uuid& id);
bool UuidIsNull(const Uuid& id);
