#pragma once
// File versions. Every deliverable carries a fixed version record in an ELF section named
// ".lumeno_version": the 16-byte tag "LUMENO-VERSION" (zero padded) followed by the 52-byte record
// below, in the file's byte order. This stands in for the version resource of the handset's files.

#include <cstdint>
#include <string>
#include <string_view>

// The platform's fixed file version record; the field names are the platform's.
struct VS_FIXEDFILEINFO {
    std::uint32_t dwSignature; // 0xFEEF04BD
    std::uint32_t dwStrucVersion;
    std::uint32_t dwFileVersionMS; // major << 16 | minor
    std::uint32_t dwFileVersionLS; // patch << 16 | build
    std::uint32_t dwProductVersionMS;
    std::uint32_t dwProductVersionLS;
    std::uint32_t dwFileFlagsMask;
    std::uint32_t dwFileFlags;
    std::uint32_t dwFileOS;
    std::uint32_t dwFileType;
    std::uint32_t dwFileSubtype;
    std::uint32_t dwFileDateMS;
    std::uint32_t dwFileDateLS;
};
static_assert(sizeof(VS_FIXEDFILEINFO) == 52, "the record is 13 words, as on the handset");

inline constexpr std::uint32_t kVersionSignature = 0xFEEF04BDu;

// Reads the version record of an ELF file (32- or 64-bit, either byte order). Reports nothing:
// when the file cannot be read, is not ELF, has no ".lumeno_version" section, or the section's tag or
// signature is wrong, `info` is left untouched. Truncated or hostile files are read within bounds.
void GetFileVersion(std::u16string_view path, VS_FIXEDFILEINFO& info);

// The product version of the Utils library's own file as "%d.%d.%d.%d" (major, minor, patch, build).
// A file without a record gives "0.0.0.0".
std::u16string GetSelfVersion();

// The decimal value before the first "." ("2.3.10" gives 2). Without a "." or with "." first, 0.
// The number is read as the handset reads it: leading blanks and a sign allowed, digits up to the
// first other character, out-of-range values clamped to the signed 32-bit range, then taken unsigned.
std::uint32_t GetMajorVersion(std::u16string_view text);
