// Private seams of the button mappings: the mappings file's layout (read
// and written by gui_keymap.cpp, edited by gui_keymap_edit.cpp), the
// translation the window procedure asks first (gui_input.cpp) and the
// names shown for host keys.
//
// "Key_Mappings_BrnL.dat", all numbers big-endian:
//   0  "KMap"                     magic
//   4  u16 version = 1
//   6  u16 count (0 … 64)
//   8  count entries of 8 bytes:  u32 command code, u16 host key (1 …
//                                 HOST_KEY_COUNT - 1, not a modifier key),
//                                 u16 modifiers (HOST_MOD_* bits only)
// The file is exactly 8 + 8 * count bytes; no two entries share a command
// or a key with its modifiers. Anything else is a foreign or damaged file
// and is ignored as a whole.
#pragma once

#include "kova_host.h"
#include "kova_types.h"

inline constexpr FourCC KEYMAP_MAGIC = FCC("KMap");
inline constexpr uint16_t KEYMAP_VERSION = 1;
inline constexpr uint16_t KEYMAP_MAX = 64;
inline constexpr uint32_t KEYMAP_HEADER_BYTES = 8;
inline constexpr uint32_t KEYMAP_ENTRY_BYTES = 8;

struct KeyMapping {
  FourCC command;
  uint16_t hostKey;
  uint16_t modifiers;
};

struct KeyMapTable {
  KeyMapping entries[KEYMAP_MAX];
  uint16_t count;
};

// Reads a mappings file's bytes into *out. Returns 0, or ERR_FILE_PARAM for
// anything but a sound file of this layout (*out is then left as it was).
[[nodiscard]] Err GuiKeyMapDecode(const uint8_t* bytes, uint32_t size, KeyMapTable* out);
// Writes the table's bytes into `out` (room for 8 + 8 * 64 bytes); returns
// the byte count.
uint32_t GuiKeyMapEncode(const KeyMapTable& table, uint8_t* out);
// Writes the table as the mappings file of the data folder and makes it
// the translation's table. Returns 0 or the file layer's error (the old
// file and table stay).
[[nodiscard]] Err GuiKeyMapSave(const KeyMapTable& table);
// The table the translation uses now (empty before GUI_KeyMapLoad).
const KeyMapTable& GuiKeyMapActive();
// Forgets the loaded mappings (GUI_Stop).
void GuiKeyMapReset();

// The command a host key press gives through the user's mappings: true and
// *code set when one matches the key with exactly these modifiers.
bool GuiKeyMapTranslate(int32_t hostKey, uint32_t modifiers, int32_t* code);
// The host key the user mapped to `command`, or -1.
int32_t GuiKeyMapKeyFor(FourCC command);
// The host key that gives `command` without any mapping, or -1.
int32_t GuiKeyMapStandardKey(FourCC command);
// Whether a host key may be mapped (modifier keys alone may not).
bool GuiKeyMapAssignable(int32_t hostKey);
// The readable name of a key with modifiers ("Ctrl+F7", "Num 5", "Q").
void GuiKeyName(int32_t hostKey, uint32_t modifiers, char* out, uint32_t size);
