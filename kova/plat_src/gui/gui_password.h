// Private seams of the password check: SHA-256, the password file
// ("Password_BrnL.dat" in the data folder) and the check of a typed
// password against it. Only gui_password*.cpp and the tests include this.
//
// File layout (big-endian): "KPWD", version 16-bit (1), 16-bit zero, a
// 16-byte salt, then SHA-256(salt followed by the password's bytes). Any
// other size, tag or version is a damaged file: it counts as a password
// that nothing matches, so private records stay locked (fail closed).
#pragma once

#include <cstddef>
#include <cstdint>

#include "kova_errors.h"

inline constexpr uint32_t SHA256_BYTES = 32;

// Incremental SHA-256 (FIPS 180-4).
struct Sha256 {
  uint32_t state[8];
  uint64_t length;  // bytes hashed so far
  uint8_t block[64];
  uint32_t used;  // bytes waiting in `block`
};
void Sha256Init(Sha256* s);
void Sha256Update(Sha256* s, const void* data, size_t size);
void Sha256Final(Sha256* s, uint8_t digest[SHA256_BYTES]);
// The digest of one buffer.
void Sha256Digest(const void* data, size_t size, uint8_t digest[SHA256_BYTES]);

inline constexpr const char* PWD_FILE_FORMAT = "Password_%t.dat";
inline constexpr const char* PWD_TEMP_FORMAT = "Password_%t.tmp";
inline constexpr uint16_t PWD_FILE_VERSION = 1;
inline constexpr uint32_t PWD_SALT_BYTES = 16;
inline constexpr uint32_t PWD_FILE_BYTES = 8 + PWD_SALT_BYTES + SHA256_BYTES;

// What the data folder holds.
enum PwdState : uint8_t {
  PWD_NONE,     // no password file
  PWD_SET,      // a well-formed password file
  PWD_DAMAGED,  // a file that cannot be read as one (nothing matches it)
};
PwdState PwdFileState();
// True when `password` matches the stored one (false for none or damaged).
bool PwdMatches(const char* password);
// The salt source (tests make it fixed); null restores the random one.
using PwdSaltFn = void (*)(uint8_t salt[PWD_SALT_BYTES]);
void PwdSetSaltSource(PwdSaltFn fn);
