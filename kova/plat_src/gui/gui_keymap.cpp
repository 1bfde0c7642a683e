// Button mappings: the mappings file (layout in gui_keymap.h) loaded into
// the table the key translation asks before its built-in keys, saved by
// the editor, and the readable names of host keys. Owns the active table
// (cleared by GUI_Stop).
// Invariants: (1) the active table only ever holds a table that decoded
// cleanly; (2) a save replaces the file whole or leaves it as it was.
#include "gui_keymap.h"

#include <cstdio>
#include <cstring>

#include "kova_file.h"
#include "kova_fmt.h"
#include "kova_picker.h"

namespace {

constexpr uint16_t MOD_MASK = HOST_MOD_SHIFT | HOST_MOD_CONTROL | HOST_MOD_ALT;

KeyMapTable g_active;

void fileName(char* out, size_t size) {
  snprintf(out, size, "Key_Mappings_%c%c%c%c.dat", char(HOST_CREATOR >> 24),
           char(HOST_CREATOR >> 16), char(HOST_CREATOR >> 8), char(HOST_CREATOR));
}

struct StandardKey {
  FourCC command;
  int32_t hostKey;
};

constexpr StandardKey STANDARD_KEYS[] = {
    {FCC("APP1"), HOST_KEY_F1 + 0},    {FCC("APP2"), HOST_KEY_F1 + 1},
    {FCC("APP3"), HOST_KEY_F1 + 2},    {FCC("APP4"), HOST_KEY_F1 + 3},
    {FCC("APP5"), HOST_KEY_F1 + 4},    {FCC("LsUp"), HOST_KEY_PAGE_UP},
    {FCC("LsDn"), HOST_KEY_PAGE_DOWN}, {FCC("SCUP"), HOST_KEY_UP},
    {FCC("SCDN"), HOST_KEY_DOWN},      {FCC("ALFT"), HOST_KEY_LEFT},
    {FCC("ARGT"), HOST_KEY_RIGHT},     {FCC("SLCT"), HOST_KEY_RETURN},
};

struct KeyLabel {
  int32_t hostKey;
  const char* name;
};

constexpr KeyLabel KEY_LABELS[] = {
    {HOST_KEY_BACKSPACE, "Backspace"},
    {HOST_KEY_TAB, "Tab"},
    {HOST_KEY_RETURN, "Return"},
    {HOST_KEY_ESCAPE, "Esc"},
    {HOST_KEY_DELETE, "Delete"},
    {' ', "Space"},
    {HOST_KEY_UP, "Up"},
    {HOST_KEY_DOWN, "Down"},
    {HOST_KEY_LEFT, "Left"},
    {HOST_KEY_RIGHT, "Right"},
    {HOST_KEY_PAGE_UP, "Page Up"},
    {HOST_KEY_PAGE_DOWN, "Page Down"},
    {HOST_KEY_HOME, "Home"},
    {HOST_KEY_END, "End"},
    {HOST_KEY_INSERT, "Insert"},
    {HOST_KEY_KP_ENTER, "Num Enter"},
};

}  // namespace

Err GuiKeyMapDecode(const uint8_t* bytes, uint32_t size, KeyMapTable* out) {
  if (!bytes || !out || size < KEYMAP_HEADER_BYTES) return ERR_FILE_PARAM;
  if (Get32BE(bytes) != KEYMAP_MAGIC || Get16BE(bytes + 4) != KEYMAP_VERSION) return ERR_FILE_PARAM;
  uint16_t count = Get16BE(bytes + 6);
  if (count > KEYMAP_MAX || size != KEYMAP_HEADER_BYTES + KEYMAP_ENTRY_BYTES * count)
    return ERR_FILE_PARAM;
  KeyMapTable table{};
  for (uint16_t i = 0; i < count; i++) {
    const uint8_t* p = bytes + KEYMAP_HEADER_BYTES + KEYMAP_ENTRY_BYTES * i;
    KeyMapping m{Get32BE(p), Get16BE(p + 4), Get16BE(p + 6)};
    if (m.command == 0 || !GuiKeyMapAssignable(m.hostKey) || (m.modifiers & ~MOD_MASK))
      return ERR_FILE_PARAM;
    for (uint16_t k = 0; k < i; k++) {
      const KeyMapping& o = table.entries[k];
      if (o.command == m.command || (o.hostKey == m.hostKey && o.modifiers == m.modifiers))
        return ERR_FILE_PARAM;
    }
    table.entries[i] = m;
  }
  table.count = count;
  *out = table;
  return 0;
}

uint32_t GuiKeyMapEncode(const KeyMapTable& table, uint8_t* out) {
  Put32BE(out, KEYMAP_MAGIC);
  Put16BE(out + 4, KEYMAP_VERSION);
  Put16BE(out + 6, table.count);
  for (uint16_t i = 0; i < table.count; i++) {
    uint8_t* p = out + KEYMAP_HEADER_BYTES + KEYMAP_ENTRY_BYTES * i;
    Put32BE(p, table.entries[i].command);
    Put16BE(p + 4, table.entries[i].hostKey);
    Put16BE(p + 6, table.entries[i].modifiers);
  }
  return KEYMAP_HEADER_BYTES + KEYMAP_ENTRY_BYTES * table.count;
}

Err GUI_KeyMapLoad() {
  g_active = KeyMapTable{};
  char name[FIL_NAME_BYTES];
  fileName(name, sizeof name);
  FileRef f = nullptr;
  if (!FIL_Exists(VOL_DOCUMENTS, "!", name)) return 0;
  Err err = FIL_Open(&f, VOL_DOCUMENTS, "!", name, FIL_MODE_READ);
  if (err != 0) return err;
  // One byte more than the largest sound file, so an overlong file is seen.
  uint8_t bytes[KEYMAP_HEADER_BYTES + KEYMAP_ENTRY_BYTES * KEYMAP_MAX + 1];
  uint32_t n = FIL_Read(f, bytes, sizeof bytes);
  FIL_Close(&f);
  KeyMapTable table{};
  if (GuiKeyMapDecode(bytes, n, &table) != 0) return 0;  // foreign or damaged: ignored
  g_active = table;
  return 0;
}

Err GuiKeyMapSave(const KeyMapTable& table) {
  uint8_t bytes[KEYMAP_HEADER_BYTES + KEYMAP_ENTRY_BYTES * KEYMAP_MAX];
  uint32_t size = GuiKeyMapEncode(table, bytes);
  char name[FIL_NAME_BYTES], temp[FIL_NAME_BYTES + 8];
  fileName(name, sizeof name);
  STR_Format(temp, int(sizeof temp), "%s.new", name);
  // Written beside the old file and renamed over it: never half a file.
  FileRef f = nullptr;
  Err err = FIL_Open(&f, VOL_DOCUMENTS, "!", temp, FIL_MODE_WRITE);
  if (err != 0) return err;
  err = FIL_Write(f, bytes, size) == size ? FIL_Truncate(f, size) : ERR_WRITE;
  if (err == 0) err = FIL_Flush(f);
  FIL_Close(&f);
  // The host's rename replaces the old file in one step.
  if (err == 0) err = FIL_Rename(VOL_DOCUMENTS, "!", temp, "!", name);
  if (err != 0) {
    (void)FIL_Delete(VOL_DOCUMENTS, "!", temp);
    return err;
  }
  g_active = table;
  return 0;
}

const KeyMapTable& GuiKeyMapActive() { return g_active; }

void GuiKeyMapReset() { g_active = KeyMapTable{}; }

bool GuiKeyMapTranslate(int32_t hostKey, uint32_t modifiers, int32_t* code) {
  for (uint16_t i = 0; i < g_active.count; i++) {
    const KeyMapping& m = g_active.entries[i];
    if (m.hostKey == hostKey && m.modifiers == (modifiers & MOD_MASK)) {
      if (code) *code = int32_t(m.command);
      return true;
    }
  }
  return false;
}

int32_t GuiKeyMapKeyFor(FourCC command) {
  for (uint16_t i = 0; i < g_active.count; i++)
    if (g_active.entries[i].command == command) return g_active.entries[i].hostKey;
  return -1;
}

int32_t GuiKeyMapStandardKey(FourCC command) {
  for (const StandardKey& k : STANDARD_KEYS)
    if (k.command == command) return k.hostKey;
  if (command >= FCC("PHN0") && command <= FCC("PHN9"))
    return HOST_KEY_KP0 + int32_t(command - FCC("PHN0"));
  return -1;
}

bool GuiKeyMapAssignable(int32_t hostKey) {
  return hostKey > 0 && hostKey < HOST_KEY_COUNT && hostKey != HOST_KEY_SHIFT &&
         hostKey != HOST_KEY_CONTROL && hostKey != HOST_KEY_ALT;
}

void GuiKeyName(int32_t hostKey, uint32_t modifiers, char* out, uint32_t size) {
  if (!out || size == 0) return;
  char key[24] = "";
  for (const KeyLabel& k : KEY_LABELS)
    if (k.hostKey == hostKey) snprintf(key, sizeof key, "%s", k.name);
  if (!key[0]) {
    if (hostKey >= HOST_KEY_F1 && hostKey < HOST_KEY_F1 + 12)
      snprintf(key, sizeof key, "F%d", int(hostKey - HOST_KEY_F1 + 1));
    else if (hostKey >= HOST_KEY_KP0 && hostKey <= HOST_KEY_KP0 + 9)
      snprintf(key, sizeof key, "Num %d", int(hostKey - HOST_KEY_KP0));
    else if (hostKey > 32 && hostKey < 127)
      snprintf(key, sizeof key, "%c",
               char(hostKey >= 'a' && hostKey <= 'z' ? hostKey - 32 : hostKey));
    else
      snprintf(key, sizeof key, "Key %d", int(hostKey));
  }
  snprintf(out, size, "%s%s%s%s", (modifiers & HOST_MOD_CONTROL) ? "Ctrl+" : "",
           (modifiers & HOST_MOD_ALT) ? "Alt+" : "", (modifiers & HOST_MOD_SHIFT) ? "Shift+" : "",
           key);
}
