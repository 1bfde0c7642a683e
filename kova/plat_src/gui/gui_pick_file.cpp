// The file picker "kFil" run as one call: the volume pop-up, the folder's
// entries (a double tap or OK on a folder enters it, ".." goes up), the
// name field that a tapped file fills, a JPEG preview scaled into "FPrv"
// when asked for, and OK / Cancel. In save mode a typed name is repaired
// and need not exist; otherwise OK needs a listed file. Owns the picker's
// state for the length of one call.
#include "gui_pick_file.h"

#include <cstdio>
#include <cstring>

#include "gui_ctl.h"
#include "gui_loop.h"
#include "kova_res.h"
#include "kova_sound.h"

namespace {

constexpr FourCC TAG_PROMPT = FCC("FPrm");
constexpr FourCC TAG_VOLUME = FCC("FVol");
constexpr FourCC TAG_VOLUMES = FCC("FVls");
constexpr FourCC TAG_DIR = FCC("FDir");
constexpr FourCC TAG_LIST = FCC("FLst");
constexpr FourCC TAG_PREVIEW = FCC("FPrv");
constexpr FourCC TAG_NAME = FCC("FNam");
constexpr uint32_t DOUBLE_TAP_MS = 500;

struct Picker {
  const FilePickRequest* request;
  int16_t volume;
  std::string dir;
  std::vector<PickEntry> entries;
  int32_t lastTapItem = -1;
  uint32_t lastTapTick = 0;
  ImgSurface* preview = nullptr;  // the picture shown in "FPrv", or null
  std::string chosen;
};

Picker* g_pick = nullptr;

void dropPreview(Picker* p) { IMG_SurfaceFree(&p->preview); }

// Decodes a JPEG file scaled to fit the pane (aspect kept).
void loadPreview(GuiForm* form, Picker* p, const std::string& name) {
  dropPreview(p);
  GfxRect pane{};
  if (!(p->request->flags & FILEPICK_PREVIEW) || !PickIsJpegName(name) ||
      GUI_GetBounds(form, TAG_PREVIEW, &pane) != 0)
    return;
  int16_t w = 0, h = 0;
  int32_t room = pane.w - 4;
  if (room < 4 || JPG_ReadFileSize(p->volume, p->dir.c_str(), name.c_str(), &w, &h) != 0) return;
  int32_t fw = room, fh = int32_t(int64_t(room) * h / w);
  if (fh > room) fh = room, fw = int32_t(int64_t(room) * w / h);
  if (fw < 1) fw = 1;
  if (fh < 1) fh = 1;
  if (IMG_SurfaceNew(&p->preview, int16_t(fw), int16_t(fh), IMG_DEPTH_24) != 0) return;
  if (JPG_DecodeFile(p->volume, p->dir.c_str(), name.c_str(), p->preview, nullptr, 0) != 0)
    dropPreview(p);
}

void drawPreview(GuiForm* form, GuiObject* pane, const Picker* p) {
  GfxCanvas c = GuiCanvas(form, pane->rect);
  const GfxRect& r = pane->rect;
  GFX_FillRect(&c, r, GuiColour(form, COL_BACK));
  GFX_FrameRect(&c, r, GuiColour(form, COL_FRAME), 1);
  if (p->preview) {
    int16_t x = int16_t(r.x + (r.w - p->preview->width) / 2);
    int16_t y = int16_t(r.y + (r.h - p->preview->height) / 2);
    GFX_Blit(&c, p->preview, nullptr, x, y);
    return;
  }
  const char* text = "No preview";
  int32_t tw = TXT_Width(FONT_STANDARD, text, uint32_t(strlen(text)));
  (void)TXT_Draw(&c, FONT_STANDARD, text, uint32_t(strlen(text)), int16_t(r.x + (r.w - tw) / 2),
                 int16_t(r.y + (r.h - TXT_LineHeight(FONT_STANDARD)) / 2),
                 GuiColour(form, COL_TEXT));
}

void showFolder(GuiForm* form, Picker* p) {
  (void)PickListFolder(p->volume, p->dir, p->request->filter, p->request->filterUser, &p->entries);
  std::vector<std::string> rows;
  std::vector<const char*> items;
  for (const PickEntry& e : p->entries)
    rows.push_back(e.isFolder && e.name != ".." ? "[" + e.name + "]" : e.name);
  for (const std::string& r : rows) items.push_back(r.c_str());
  (void)GUI_ListSetItems(form, TAG_LIST, items.data(), int16_t(items.size()));
  (void)GUI_SetValue(form, TAG_LIST, -1);
  (void)GUI_ListSetTop(form, TAG_LIST, 0);
  (void)GUI_SetText(form, TAG_DIR, p->dir.c_str());
  p->lastTapItem = -1;
  dropPreview(p);
  GUI_FormRequestRedraw(form);
}

void enter(GuiForm* form, Picker* p, const PickEntry& e) {
  p->dir = e.name == ".." ? PickParent(p->dir) : PickChild(p->dir, e.name);
  showFolder(form, p);
}

std::string fieldName(GuiForm* form) {
  char text[FIL_LIST_NAME_MAX + 2] = "";
  (void)GUI_GetText(form, TAG_NAME, text, sizeof text);
  return text;
}

const PickEntry* selectedEntry(GuiForm* form, const Picker* p) {
  int32_t row = -1;
  (void)GUI_GetValue(form, TAG_LIST, &row);
  return row >= 0 && row < int32_t(p->entries.size()) ? &p->entries[size_t(row)] : nullptr;
}

// OK: enters a selected folder whose name is not overridden by the field;
// otherwise takes the name (refusing what cannot be chosen).
bool accept(GuiForm* form, Picker* p) {
  const PickEntry* e = selectedEntry(form, p);
  std::string name = fieldName(form);
  if (e && e->isFolder && (name.empty() || name == e->name || e->name == "..")) {
    enter(form, p, *e);
    return false;
  }
  bool save = p->request->flags & FILEPICK_SAVE;
  bool ok = false;
  if (save) {
    ok = PickRepairName(p->volume, &name);
  } else {
    for (const PickEntry& entry : p->entries)
      if (!entry.isFolder && entry.name == name) ok = true;
  }
  if (!ok) {
    (void)SND_Beep(SND_BEEP_ERROR);
    (void)GUI_SetText(form, TAG_NAME, name.c_str());
    (void)GUI_Redraw(form, TAG_NAME);
    return false;
  }
  p->chosen = name;
  return true;
}

void tapped(GuiForm* form, Picker* p, int32_t row) {
  if (row < 0 || row >= int32_t(p->entries.size())) return;
  const PickEntry e = p->entries[size_t(row)];
  bool twice = row == p->lastTapItem && HOST_Ticks() - p->lastTapTick <= DOUBLE_TAP_MS;
  p->lastTapItem = row;
  p->lastTapTick = HOST_Ticks();
  if (e.isFolder) {
    if (twice) enter(form, p, e);
    return;
  }
  (void)GUI_SetText(form, TAG_NAME, e.name.c_str());
  (void)GUI_Redraw(form, TAG_NAME);
  loadPreview(form, p, e.name);
  if (GUI_HasObject(form, TAG_PREVIEW)) (void)GUI_Redraw(form, TAG_PREVIEW);
  if (twice && accept(form, p)) GUI_FormSetResult(form, FCC("OKAY"));
}

int16_t pickerHandler(FourCC, GuiForm* form, uintptr_t, uintptr_t, int16_t kind, uintptr_t a1,
                      uintptr_t a2, uintptr_t, uintptr_t a4, uintptr_t) {
  Picker* p = g_pick;
  if (!p) return 0;
  if (kind == FORM_EVT_OBJECT_DRAW && FourCC(a1) == TAG_PREVIEW) {
    drawPreview(form, reinterpret_cast<GuiObject*>(a2), p);
    return 1;
  }
  if (kind != FORM_EVT_CONTROL) return 0;
  switch (FourCC(a1)) {
    case TAG_LIST:
      tapped(form, p, int32_t(a4));
      return 1;
    case TAG_VOLUME:
      if (int32_t(a4) >= 0 && int32_t(a4) < VOL_Count() && int16_t(a4) != p->volume) {
        p->volume = int16_t(a4);
        p->dir = "/";
        showFolder(form, p);
      }
      return 0;  // the trigger shows the chosen label itself
    case FCC("OKAY"):
      return accept(form, p) ? 0 : 1;
    default:
      return 0;
  }
}

void setUp(GuiForm* form, Picker* p) {
  const FilePickRequest* r = p->request;
  if (r->title) form->title = r->title;
  (void)GUI_SetText(form, TAG_PROMPT, r->prompt ? r->prompt : " ");
  char names[8][32];
  const char* items[8];
  int16_t count = int16_t(VOL_Count() < 8 ? VOL_Count() : 8);
  for (int16_t v = 0; v < count; v++) {
    if (VOL_Name(v, names[v], sizeof names[v]) != 0) snprintf(names[v], sizeof names[v], "?");
    items[v] = names[v];
  }
  (void)GUI_ListSetItems(form, TAG_VOLUMES, items, count);
  (void)GUI_SetValue(form, TAG_VOLUMES, p->volume);
  if (p->volume < count) (void)GUI_SetText(form, TAG_VOLUME, names[p->volume]);
  (void)GUI_SetText(form, TAG_NAME, r->defaultName ? r->defaultName : "");
  if (!(r->flags & FILEPICK_PREVIEW)) {
    // Without a preview the list takes the pane's room as well.
    GfxRect list{}, pane{};
    (void)GUI_Show(form, TAG_PREVIEW, false);
    if (GUI_GetBounds(form, TAG_LIST, &list) == 0 && GUI_GetBounds(form, TAG_PREVIEW, &pane) == 0) {
      list.w = int16_t(pane.x + pane.w - list.x);
      (void)GUI_SetBounds(form, TAG_LIST, &list);
    }
  }
  showFolder(form, p);
}

}  // namespace

Err GUI_PickFile(const FilePickRequest* request, FilePickResult* result) {
  if (!request || !result || g_pick) return ERR_FILE_PARAM;
  if (request->volume < 0 || request->volume >= VOL_Count()) return ERR_FILE_PARAM;
  GuiForm* form = nullptr;
  if (GUI_FormOpen(&form, GUI_FORM_FILE_PICKER, 0, RES_TYPE_FORM, nullptr) != 0 || !form)
    return ERR_FORM_MISSING;
  Picker picker;
  picker.request = request;
  picker.volume = request->volume;
  picker.dir = PickRootedDir(request->volume, request->dir);
  g_pick = &picker;
  setUp(form, &picker);
  TagItem params[] = {{GUI_RUN_HANDLER, reinterpret_cast<uintptr_t>(pickerHandler)}, {0, 0}};
  uint32_t answer = GUI_FormDoDialog(form, params);
  g_pick = nullptr;
  dropPreview(&picker);
  GUI_FormClose(form);
  if (answer != FCC("OKAY") || picker.chosen.empty()) return ERR_FORM_CANCELLED;
  result->volume = picker.volume;
  snprintf(result->dir, sizeof result->dir, "%s", picker.dir.c_str());
  snprintf(result->name, sizeof result->name, "%s", picker.chosen.c_str());
  return 0;
}
