// Opening and closing forms: fetching the definition, the form cache, the
// parse and the layout search, the custom alert's message with its
// arguments, the drawing surface and the controls; the open-form list
// (newest active) lives in the manager's state. Also the small queries on
// forms and objects, and the event operand decoder. Invariants: (1) a form
// is in the open-form list from the start of GUI_FormOpen until
// GUI_FormClose; (2) a failed open leaves nothing open.
#include <algorithm>
#include <new>

#include "gui_forms.h"
#include "kova_debug.h"
#include "kova_res.h"

namespace {

constexpr int MAX_ARGS = 8;

bool isModal(const GuiForm* form) { return form->flags & (FORM_MODAL | FORM_ALERT); }

// Copies a "%s" / "%hd" marker's argument in as plain text (arguments are
// never read as formats); other text stays as it is. At most 32000 bytes.
std::string withArguments(const std::string& message, const std::vector<std::string>& args) {
  std::string out;
  size_t next = 0;
  for (size_t i = 0; i < message.size() && out.size() < GUI_MAX_MESSAGE; i++) {
    size_t marker = message.compare(i, 2, "%s") == 0    ? 2
                    : message.compare(i, 3, "%hd") == 0 ? 3
                                                        : 0;
    if (marker == 0) {
      out.push_back(message[i]);
      continue;
    }
    if (next < args.size()) out += args[next];
    next++;
    i += marker - 1;
  }
  if (out.size() > GUI_MAX_MESSAGE) out.resize(GUI_MAX_MESSAGE);
  return out;
}

void formatMessages(GuiForm* form) {
  for (auto& o : form->objects) {
    if (o->kind != FCC("MESS")) continue;
    for (std::string& s : o->strings) s = withArguments(s, form->args);
  }
}

// Fetches the definition into a new form record. -1 when there is none.
Err fetch(GuiForm* form, uint32_t formId, FourCC type) {
  ResHandle h = nullptr;
  Err err = RES_Get(&h, type, formId);
  if (err != 0) return err == ERR_MEM_FULL ? err : Err(-1);
  form->body.assign(RES_Data(h), RES_Data(h) + RES_Size(h));
  RES_Release(&h);
  return 0;
}

void setScreen(GuiForm* form) {
  int16_t w = 0, h = 0, scale = 256;
  GuiScreenSize(&w, &h, &scale);
  form->screenWidth = w;
  form->screenHeight = h;
  form->scale = scale > 0 ? scale : 256;
}

// 3 and 4: the cached density and size when the cache knows this layout.
bool useCache(GuiForm* form) {
  GuiCacheRecord r;
  if ((form->flags & FORM_CUSTOM_ALERT) || !GuiCacheLookup(form, &r)) return false;
  form->density = r.density;
  form->rect.w = r.width;
  form->rect.h = r.height;
  (void)DBG_Print(FCC("repo"), "Loading Cached Form %t -- scale=%hd, width=%hd height=%hd\n",
                  RES_IdToName(form->type, form->resourceId), int(r.density), int(r.width),
                  int(r.height));
  return true;
}

// 4 to 7 once the record is in the list; an error leaves the form to close.
// A cache hit is laid out by the parse at the cached density and size.
Err build(GuiForm* form) {
  bool cached = useCache(form);
  Err err = GuiParseForm(form);
  if (err != 0) return err;
  if (form->flags & FORM_CUSTOM_ALERT) formatMessages(form);
  if (!cached) {
    GuiAutoLayout(form);
    if (!(form->flags & FORM_CUSTOM_ALERT)) (void)GuiCacheStore(form);
  }
  if (IMG_SurfaceNew(&form->surface, form->rect.w, form->rect.h, IMG_DEPTH_24) != 0)
    return ERR_FORM_SURFACE;
  GuiCreateControls(form);
  // Drawn at once, so a dialog its handler opens before the first turn of
  // the loop (a hint at open) never shows a blank surface below it; the
  // loop's own first redraw follows.
  GuiDrawForm(form);
  form->flags |= FORM_REDRAW;
  return 0;
}

}  // namespace

Err GUI_FormOpen(GuiForm** out, uint32_t formId, uint32_t flags, FourCC type,
                 const char* const* args) {
  if (out) *out = nullptr;
  if (type == 0) type = FCC("FORM");
  // 1. The definition and its checksum.
  GuiForm* form = new (std::nothrow) GuiForm();
  if (!form) return ERR_MEM_FULL;
  Err err = fetch(form, formId, type);
  if (err != 0) {
    delete form;
    return err;
  }
  form->type = type;
  form->resourceId = RES_NameToId(type, formId);
  form->id = form->resourceId;
  form->checksum = GuiChecksum(form->body.data(), uint32_t(form->body.size()));
  // 2. Into the list with the screen, the scheme colours and its kind.
  GuiState* g = GuiGlobal();
  form->sequence = g->nextSequence++;
  setScreen(form);
  static const int16_t schemeSlots[7] = {0, 1, 4, 5, 3, 6, 7};
  for (int i = 0; i < 7; i++) form->colours[i] = GUI_SchemeColour(schemeSlots[i]);
  if (type == FCC("ALRT")) form->flags |= FORM_ALERT;
  if (flags & GUI_OPEN_CUSTOM_ALERT) form->flags |= FORM_CUSTOM_ALERT;
  for (int i = 0; args && i < MAX_ARGS && args[i]; i++) form->args.emplace_back(args[i]);
  g->forms.push_back(form);
  err = build(form);
  if (err != 0) {
    GUI_FormClose(form);
    return err;
  }
  if (out) *out = form;
  return 0;
}

void GUI_FormClose(GuiForm* form) {
  if (!form) return;
  GuiState* g = GuiGlobal();
  auto it = std::find(g->forms.begin(), g->forms.end(), form);
  if (it == g->forms.end()) return;  // not open (closed already)
  g->forms.erase(it);
  IMG_SurfaceFree(&form->surface);
  delete form;
  if (!g->forms.empty()) g->forms.back()->flags |= FORM_REDRAW;
}

GuiForm* GUI_ActiveForm() {
  GuiState* g = GuiGlobal();
  return g->forms.empty() ? nullptr : g->forms.back();
}

FourCC GUI_FormTag(const GuiForm* form) {
  if (!form) return 0;
  return form->formTag ? form->formTag : RES_IdToName(form->type, form->resourceId);
}

uint32_t GUI_FormId(const GuiForm* form) { return form ? form->id : 0; }

GfxRect GUI_FormBounds(const GuiForm* form) {
  if (!form) return GfxRect{0, 0, 0, 0};
  GfxRect r = form->rect;
  if (isModal(form) && form->screenWidth > 0 && form->screenHeight > 0) {
    r.x = int16_t(std::max(0, (form->screenWidth - r.w) / 2));  // modal forms are shown centred
    r.y = int16_t(std::max(0, (form->screenHeight - r.h) / 2));
  }
  return r;
}

GuiObject* GUI_FindObject(const GuiForm* form, FourCC tag) {
  if (!form || tag == 0) return nullptr;
  for (const auto& o : form->objects)
    if (o->tag == tag) return o.get();
  return nullptr;
}

FourCC GUI_ObjectTag(const GuiObject* object) { return object ? object->tag : 0; }
FourCC GUI_ObjectKind(const GuiObject* object) { return object ? object->kind : 0; }
bool GUI_HasObject(const GuiForm* form, FourCC tag) { return GUI_FindObject(form, tag); }

void GUI_SetTextSizeSetting(int16_t setting) { GuiGlobal()->textSizeSetting = setting; }

GuiEventInfo GUI_DecodeEvent(int16_t kind, uintptr_t operand, uintptr_t a1, uintptr_t a2,
                             uintptr_t a3, uintptr_t a4, uintptr_t a5) {
  GuiEventInfo e{};
  auto value = [](uintptr_t v) { return int32_t(uint32_t(v)); };
  switch (kind) {
    case FORM_EVT_PEN_DOWN:
    case FORM_EVT_PEN_UP:
    case FORM_EVT_PEN_MOVE:
      e.x = value(operand);
      e.y = value(a1);
      break;
    case FORM_EVT_CONTROL:
      e.result = reinterpret_cast<uint32_t*>(operand);
      e.code = FourCC(a1);
      e.object = reinterpret_cast<GuiObject*>(a2);
      e.objectKind = FourCC(a3);
      e.value1 = value(a4);
      e.value2 = value(a5);
      break;
    case FORM_EVT_KEY:
      e.result = reinterpret_cast<uint32_t*>(operand);
      e.code = FourCC(a1);
      break;
    case FORM_EVT_MENU:
      e.code = FourCC(operand);
      break;
    case FORM_EVT_VALUE:
      e.code = FourCC(operand);
      e.object = reinterpret_cast<GuiObject*>(a1);
      e.objectKind = FourCC(a2);
      e.value1 = value(a3);
      e.value2 = value(a4);
      break;
    case FORM_EVT_FOCUS:
      e.object = reinterpret_cast<GuiObject*>(operand);
      e.previous = reinterpret_cast<GuiObject*>(a1);
      break;
    case FORM_EVT_OBJECT_DRAWN:
    case FORM_EVT_OBJECT_DRAW:
      e.result = reinterpret_cast<uint32_t*>(operand);
      e.code = FourCC(a1);
      e.object = reinterpret_cast<GuiObject*>(a2);
      e.objectFlags = uint32_t(a3);
      break;
    default:  // 0, 2, 3, 4, 12, 14, 103: the dialog result
      e.result = reinterpret_cast<uint32_t*>(operand);
      break;
  }
  return e;
}
