// The password that guards private records: kept as a salted SHA-256 hash
// in "Password_BrnL.dat" of the data folder (layout in gui_password.h),
// replaced by writing a temporary file and renaming it over the old one, so
// a failed write leaves the old password in place.
// Owns the salt source (random unless a test fixes it).
#include "gui_password.h"

#include <cstring>
#include <random>

#include "kova_debug.h"
#include "kova_file.h"
#include "kova_fmt.h"
#include "kova_host.h"
#include "kova_picker.h"

namespace {

constexpr const char* DIR = "!";
constexpr FourCC TAG = FCC("KPWD");

PwdSaltFn g_saltSource = nullptr;

void fileName(char* out, int size, const char* format) {
  STR_Format(out, size, format, HOST_CREATOR);
}

void randomSalt(uint8_t salt[PWD_SALT_BYTES]) {
  std::random_device device;
  for (uint32_t i = 0; i < PWD_SALT_BYTES; i += 4) {
    uint32_t word = device();
    memcpy(salt + i, &word, 4);
  }
}

void hashOf(const uint8_t salt[PWD_SALT_BYTES], const char* password,
            uint8_t digest[SHA256_BYTES]) {
  Sha256 s;
  Sha256Init(&s);
  Sha256Update(&s, salt, PWD_SALT_BYTES);
  Sha256Update(&s, password, strlen(password));
  Sha256Final(&s, digest);
}

// Reads the password file: PWD_NONE when there is none, PWD_DAMAGED when it
// is not a well-formed one (its bytes are then not returned).
PwdState readFile(uint8_t bytes[PWD_FILE_BYTES]) {
  char name[64];
  fileName(name, sizeof name, PWD_FILE_FORMAT);
  if (!FIL_Exists(VOL_DOCUMENTS, DIR, name)) return PWD_NONE;
  FileRef f = nullptr;
  if (FIL_Open(&f, VOL_DOCUMENTS, DIR, name, FIL_MODE_READ) != 0) {
    (void)DBG_Print(FCC("SCRN"), "%s cannot be opened: private records stay locked\n", name);
    return PWD_DAMAGED;
  }
  int32_t size = FIL_Size(f);
  bool whole =
      size == int32_t(PWD_FILE_BYTES) && FIL_Read(f, bytes, PWD_FILE_BYTES) == PWD_FILE_BYTES;
  FIL_Close(&f);
  if (!whole || Get32BE(bytes) != TAG || Get16BE(bytes + 4) != PWD_FILE_VERSION) {
    (void)DBG_Print(FCC("SCRN"), "%s is damaged: private records stay locked\n", name);
    return PWD_DAMAGED;
  }
  return PWD_SET;
}

// Writes the new file beside the old one, then renames it over it.
Err writeFile(const uint8_t bytes[PWD_FILE_BYTES]) {
  char name[64], temp[64];
  fileName(name, sizeof name, PWD_FILE_FORMAT);
  fileName(temp, sizeof temp, PWD_TEMP_FORMAT);
  FileRef f = nullptr;
  Err err = FIL_Open(&f, VOL_DOCUMENTS, DIR, temp, FIL_MODE_WRITE);
  if (err != 0) return err;
  if (FIL_Write(f, bytes, PWD_FILE_BYTES) != PWD_FILE_BYTES ||
      FIL_Truncate(f, PWD_FILE_BYTES) != 0 || FIL_Flush(f) != 0)
    err = ERR_WRITE;
  FIL_Close(&f);
  if (err == 0) err = FIL_Rename(VOL_DOCUMENTS, DIR, temp, DIR, name);
  if (err != 0) (void)FIL_Delete(VOL_DOCUMENTS, DIR, temp);
  return err;
}

// Compares without stopping at the first difference.
bool sameDigest(const uint8_t* a, const uint8_t* b) {
  uint8_t diff = 0;
  for (uint32_t i = 0; i < SHA256_BYTES; ++i) diff = uint8_t(diff | (a[i] ^ b[i]));
  return diff == 0;
}

}  // namespace

void PwdSetSaltSource(PwdSaltFn fn) { g_saltSource = fn; }

PwdState PwdFileState() {
  uint8_t bytes[PWD_FILE_BYTES];
  return readFile(bytes);
}

bool PwdMatches(const char* password) {
  uint8_t bytes[PWD_FILE_BYTES];
  if (!password || readFile(bytes) != PWD_SET) return false;
  uint8_t digest[SHA256_BYTES];
  hashOf(bytes + 8, password, digest);
  return sameDigest(digest, bytes + 8 + PWD_SALT_BYTES);
}

bool GUI_PasswordIsSet() { return PwdFileState() != PWD_NONE; }

Err GUI_PasswordSet(const char* oldPassword, const char* newPassword) {
  PwdState state = PwdFileState();
  if (state != PWD_NONE && !PwdMatches(oldPassword ? oldPassword : "")) return ERR_FILE_PARAM;
  if (!newPassword || newPassword[0] == 0) {
    if (state == PWD_NONE) return 0;
    char name[64];
    fileName(name, sizeof name, PWD_FILE_FORMAT);
    return FIL_Delete(VOL_DOCUMENTS, DIR, name);
  }
  uint8_t bytes[PWD_FILE_BYTES] = {};
  Put32BE(bytes, TAG);
  Put16BE(bytes + 4, PWD_FILE_VERSION);
  (g_saltSource ? g_saltSource : randomSalt)(bytes + 8);
  hashOf(bytes + 8, newPassword, bytes + 8 + PWD_SALT_BYTES);
  return writeFile(bytes);
}
