// The platform's own dialogs that the application calls as one function:
// the colour picker, the date and time pickers, the file picker, the
// password check and the button-mapping editor. Each loads its form from the
// platform's resources (FORM 10000-10004, and "DPck"/"TPck" for the date and
// time pickers), runs it as a modal dialog over the open forms and closes it.
// They need the form manager started (GUI_Start). Owns no state between calls
// except the password file and the key mappings file it reads and writes.
#pragma once

#include "kova_errors.h"
#include "kova_file.h"
#include "kova_gui.h"
#include "kova_types.h"

// Ids of the platform's dialog forms.
inline constexpr uint32_t GUI_FORM_FILE_PICKER = 10000;  // "kFil"
inline constexpr uint32_t GUI_FORM_PROGRESS = 10001;     // "kPrg"
inline constexpr uint32_t GUI_FORM_COLOUR = 10002;       // "kCol"
inline constexpr uint32_t GUI_FORM_PASSWORD = 10003;     // "kPwd"
inline constexpr uint32_t GUI_FORM_KEY_MAP = 10004;      // "kKey"
inline constexpr uint32_t GUI_FORM_DATE = 10005;         // "DPck"
inline constexpr uint32_t GUI_FORM_TIME = 10006;         // "TPck"

// ---------------------------------------------------------------------------
// Colour, date and time pickers. Each returns true when the user chose a
// value (the value is then written) and false on cancel or when the form
// cannot be loaded (the value is left as it was). A null title uses the
// form's own; a null value pointer returns false.

// `colour` is 0x00RRGGBB; the palette's nearest entry is selected first.
bool GUI_PickColour(const char* title, uint32_t* colour);
// `date` is seconds since 1904-01-01 (PalmTime); the time of day is kept.
bool GUI_PickDate(const char* title, uint32_t* date);
// `seconds` is the time of day in seconds (0 … 86,399).
bool GUI_PickTime(const char* title, uint32_t* seconds);

// ---------------------------------------------------------------------------
// File picker ("kFil"): volumes, folders and files of the file layer, a
// filter, a name field and, when asked, a preview pane for pictures.

inline constexpr uint32_t FILEPICK_SAVE = 0x1;     // the name may be typed and need not exist
inline constexpr uint32_t FILEPICK_PREVIEW = 0x2;  // JPEG files are previewed beside the list

// Decides whether a folder entry is listed. `isFolder` entries that are
// refused cannot be entered. Called for every entry of a listed folder.
using FilePickFilter = bool (*)(void* user, const char* name, bool isFolder);

struct FilePickRequest {
  const char* title;        // the dialog's title ("Import JPEG Picture")
  const char* prompt;       // the line above the list ("Import the selected file...")
  const char* defaultName;  // the name field's first text; may be null
  int16_t volume;           // where the picker opens (VOL_DOCUMENTS …)
  const char* dir;          // folder on that volume; null or "" for its top
  uint32_t flags;           // FILEPICK_*
  FilePickFilter filter;    // null lists everything
  void* filterUser;
};

struct FilePickResult {
  int16_t volume;
  char dir[FIL_PATH_BYTES];            // folder on the volume, as FIL_BuildPath takes it
  char name[FIL_LIST_NAME_MAX + 1];    // the chosen or typed name, repaired to be valid
};

// Runs the file picker. Returns 0 with `result` filled when a file was
// chosen (or, with FILEPICK_SAVE, a name typed), ERR_FORM_CANCELLED when the
// user cancelled, ERR_FORM_MISSING when the form cannot be loaded.
Err GUI_PickFile(const FilePickRequest* request, FilePickResult* result);

// ---------------------------------------------------------------------------
// Password check ("kPwd"): the password protecting private records, kept as
// a salted hash in "Password_%t.dat" of the data folder (%t the creator).

inline constexpr int16_t GUI_PASSWORD_CANCEL = -1;  // the user cancelled
inline constexpr int16_t GUI_PASSWORD_UNLOCK = 0;   // the password was right (or none is set)

// True when a password is set.
bool GUI_PasswordIsSet();
// Replaces the password: `oldPassword` must match the one set (ignored when
// none is set); an empty `newPassword` removes it. Returns 0, ERR_FILE_PARAM
// for a wrong old password, or the file layer's error (the old file stays).
Err GUI_PasswordSet(const char* oldPassword, const char* newPassword);
// Asks for the password to show private records at security level `level`
// (1 masked, 2 hidden). Returns GUI_PASSWORD_CANCEL, GUI_PASSWORD_UNLOCK
// when the right password was given (at once when none is set), or the other
// level (1 or 2) the user chose instead of unlocking.
int16_t GUI_PasswordCheck(int16_t level);

// ---------------------------------------------------------------------------
// Button mappings ("kKey"): which host key gives which of the handheld's
// commands, edited from the text resource "KMAP" and kept in
// "Key_Mappings_%t.dat" of the data folder (%t the creator).

// Runs the editor over the commands that "KMAP" resource `kmapId` lists.
// Returns true when the user saved a change (the file is written and the
// key translation uses it at once), false on cancel or failure.
bool GUI_KeyMapEdit(uint32_t kmapId);
// Loads the mappings file for the key translation; a missing file leaves the
// built-in mappings. Called by GUI_Start. Returns 0 or the file's error.
Err GUI_KeyMapLoad();
