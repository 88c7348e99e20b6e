#pragma once
// Secrets the server hands out and the digests it checks.
//
// Challenge responses, push signatures and dialog inputs all travel as Base64 of an MD5 digest: the
// handset proves it holds the device key without sending it, and signs pushes the same way. Keys and
// challenges are ASCII, so their bytes are the characters the handset digests.

#include <string>
#include <string_view>

// `bytes` random bytes as upper-case hexadecimal, from the system's random source.
std::string RandomHex(std::size_t bytes);

// Base64 of MD5 over `text` immediately followed by `key`: the challenge response of a negotiation
// (text = the challenge) and the signature of a push (text = the command word).
std::string KeyedDigest(std::string_view text, std::string_view key);

// Base64 of MD5 over the UTF-8 `value`: how a dialog's input comes back.
std::string InputDigest(std::string_view value);

// True for ids and keys that fit the protocol's words: 1 to 64 characters of A-Z a-z 0-9 and . _ @ + - =
// / (no blanks, no ";", nothing that would split a push or a header).
bool IsProtocolToken(std::string_view text);
