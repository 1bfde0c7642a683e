// The button-mapping editor "kKey": lists the commands of a "KMAP" text
// with the key that gives each (the user's own, else the standard one),
// waits for a key press to assign after "Assign...", drops the user's key
// with "Clear", and saves the mappings file on OK. While it runs its window
// procedure sits in front of the manager's to see raw host keys. Owns the
// editor's state for the length of one call.
#include <cstdio>
#include <cstring>

#include "gui_keymap.h"
#include "gui_loop.h"
#include "kova_fmt.h"
#include "kova_picker.h"
#include "kova_res.h"

namespace {

constexpr FourCC TAG_LIST = FCC("KLst");
constexpr FourCC TAG_STATUS = FCC("KSta");
constexpr FourCC TAG_ASSIGN = FCC("KAsn");
constexpr FourCC TAG_CLEAR = FCC("KClr");
constexpr int32_t KEY_CAPTURED = int32_t(FCC("kKy!"));  // posted when a key was caught
constexpr uint32_t KMAP_TEXT_BYTES = 4096;
constexpr int LABEL_BYTES = 40;

struct KmapCommand {
  FourCC command;
  char label[LABEL_BYTES];
};

struct KeyEditor {
  KmapCommand commands[KEYMAP_MAX];
  uint16_t count;
  KeyMapTable table;  // the working copy
  bool changed;
  bool capturing;
  bool swallowText;   // the text event of a caught printable key
  int32_t caughtKey;  // -1: the wait was given up (Escape); -2: a key refused
  uint32_t caughtModifiers;
};

KeyEditor* g_ed = nullptr;

// "APP1 Contacts button" lines; malformed lines are skipped.
void readCommands(uint32_t kmapId, KeyEditor* ed) {
  char text[KMAP_TEXT_BYTES];
  if (RES_GetString(kmapId, text, sizeof text) != 0) return;
  for (char* line = text; line && *line && ed->count < KEYMAP_MAX;) {
    char* next = strchr(line, '\n');
    if (next) *next++ = 0;
    if (strlen(line) >= 6 && line[4] == ' ') {
      KmapCommand& c = ed->commands[ed->count++];
      c.command = Get32BE(reinterpret_cast<const uint8_t*>(line));
      snprintf(c.label, sizeof c.label, "%s", line + 5);
    }
    line = next;
  }
}

int findMapping(const KeyMapTable& t, FourCC command) {
  for (int i = 0; i < t.count; i++)
    if (t.entries[i].command == command) return i;
  return -1;
}

void removeAt(KeyMapTable* t, int index) {
  if (index < 0 || index >= t->count) return;
  for (int i = index; i + 1 < t->count; i++) t->entries[i] = t->entries[i + 1];
  t->count--;
}

void keyText(const KeyEditor& ed, FourCC command, char* out, uint32_t size) {
  int at = findMapping(ed.table, command);
  if (at >= 0) {
    GuiKeyName(ed.table.entries[at].hostKey, ed.table.entries[at].modifiers, out, size);
    return;
  }
  int32_t standard = GuiKeyMapStandardKey(command);
  if (standard < 0) {
    snprintf(out, size, "None");
    return;
  }
  char name[32];
  GuiKeyName(standard, 0, name, sizeof name);
  STR_Format(out, int(size), "%s (standard)", name);
}

void fillList(GuiForm* form, const KeyEditor& ed) {
  char rows[KEYMAP_MAX][LABEL_BYTES + 48];
  const char* items[KEYMAP_MAX];
  for (int i = 0; i < ed.count; i++) {
    char key[40];
    keyText(ed, ed.commands[i].command, key, sizeof key);
    STR_Format(rows[i], int(sizeof rows[i]), "%s: %s", ed.commands[i].label, key);
    items[i] = rows[i];
  }
  int32_t selected = 0;
  (void)GUI_GetValue(form, TAG_LIST, &selected);
  (void)GUI_ListSetItems(form, TAG_LIST, items, int16_t(ed.count));
  (void)GUI_SetValue(form, TAG_LIST, selected);
  (void)GUI_Redraw(form, TAG_LIST);
}

void setStatus(GuiForm* form, const char* text) {
  (void)GUI_SetText(form, TAG_STATUS, text);
  (void)GUI_Redraw(form, TAG_STATUS);
}

int32_t selectedCommand(GuiForm* form, const KeyEditor& ed) {
  int32_t row = -1;
  (void)GUI_GetValue(form, TAG_LIST, &row);
  return row >= 0 && row < ed.count ? row : -1;
}

// A caught key: it leaves any other command it gave and now gives this one.
void assignCaught(GuiForm* form, KeyEditor* ed) {
  int32_t row = selectedCommand(form, *ed);
  ed->capturing = false;
  if (row < 0 || ed->caughtKey < 0) {
    // A plain printable key would no longer type its character in fields.
    setStatus(form,
              ed->caughtKey == -2 ? "Letters and signs need Ctrl or Alt." : "No key assigned.");
    return;
  }
  KeyMapping m{ed->commands[row].command, uint16_t(ed->caughtKey), uint16_t(ed->caughtModifiers)};
  for (int i = ed->table.count - 1; i >= 0; i--)
    if (ed->table.entries[i].command == m.command ||
        (ed->table.entries[i].hostKey == m.hostKey &&
         ed->table.entries[i].modifiers == m.modifiers))
      removeAt(&ed->table, i);
  if (ed->table.count < KEYMAP_MAX) ed->table.entries[ed->table.count++] = m;
  ed->changed = true;
  char name[32], status[96];
  GuiKeyName(m.hostKey, m.modifiers, name, sizeof name);
  STR_Format(status, int(sizeof status), "%s now gives %s.", name, ed->commands[row].label);
  setStatus(form, status);
  fillList(form, *ed);
}

// In front of the manager's window procedure while the editor runs.
bool editorProc(const HostEvent* e, uintptr_t data) {
  KeyEditor* ed = g_ed;
  if (ed && e->kind == HOST_EVT_TEXT && ed->swallowText) {
    ed->swallowText = false;
    return true;
  }
  if (!ed || !ed->capturing) return GuiWindowProc(e, data);
  if (e->kind == HOST_EVT_TEXT || e->kind == HOST_EVT_KEY_UP) return true;
  if (e->kind != HOST_EVT_KEY_DOWN) return GuiWindowProc(e, data);
  if (!GuiKeyMapAssignable(e->key)) return true;  // a modifier alone: wait on
  ed->capturing = false;
  bool printable = e->key >= ' ' && e->key < 127;
  ed->caughtModifiers = e->modifiers & (HOST_MOD_SHIFT | HOST_MOD_CONTROL | HOST_MOD_ALT);
  ed->caughtKey = e->key == HOST_KEY_ESCAPE ? -1 : e->key;
  if (printable && !(ed->caughtModifiers & (HOST_MOD_CONTROL | HOST_MOD_ALT))) ed->caughtKey = -2;
  ed->swallowText = printable;
  (void)GuiInputPush(GuiInput{GUI_IN_KEY, 0, 0, KEY_CAPTURED});
  return true;
}

int16_t editorHandler(FourCC, GuiForm* form, uintptr_t, uintptr_t, int16_t kind, uintptr_t a1,
                      uintptr_t, uintptr_t, uintptr_t, uintptr_t) {
  KeyEditor* ed = g_ed;
  if (!ed) return 0;
  if (kind == FORM_EVT_KEY && int32_t(a1) == KEY_CAPTURED) {
    assignCaught(form, ed);
    return 1;
  }
  if (kind != FORM_EVT_CONTROL) return 0;
  int32_t row = selectedCommand(form, *ed);
  char status[96];
  switch (FourCC(a1)) {
    case TAG_ASSIGN:
      if (row < 0) return 1;
      ed->capturing = true;
      STR_Format(status, int(sizeof status), "Press a key for %s (Esc: none).",
                 ed->commands[row].label);
      setStatus(form, status);
      return 1;
    case TAG_CLEAR:
      if (row >= 0 && findMapping(ed->table, ed->commands[row].command) >= 0) {
        removeAt(&ed->table, findMapping(ed->table, ed->commands[row].command));
        ed->changed = true;
        fillList(form, *ed);
      }
      setStatus(form, " ");
      return 1;
    default:
      ed->capturing = false;
      return 0;
  }
}

}  // namespace

bool GUI_KeyMapEdit(uint32_t kmapId) {
  if (g_ed) return false;  // one editor at a time
  GuiForm* form = nullptr;
  if (GUI_FormOpen(&form, GUI_FORM_KEY_MAP, 0, RES_TYPE_FORM, nullptr) != 0 || !form) return false;
  KeyEditor editor{};
  readCommands(kmapId, &editor);
  editor.table = GuiKeyMapActive();
  g_ed = &editor;
  (void)GUI_SetValue(form, TAG_LIST, 0);
  fillList(form, editor);
  HOST_SetWindowProc(editorProc, 0);
  TagItem params[] = {{GUI_RUN_HANDLER, reinterpret_cast<uintptr_t>(editorHandler)}, {0, 0}};
  uint32_t result = GUI_FormDoDialog(form, params);
  HOST_SetWindowProc(GuiWindowProc, 0);
  g_ed = nullptr;
  GUI_FormClose(form);
  if (result != FCC("OKAY") || !editor.changed) return false;
  return GuiKeyMapSave(editor.table) == 0;
}
