// Test fixture for the controls: a form record built by hand (objects with
// rectangles given in pixels, no layout), its surface, the headless host for
// the clipboard and the key state, and a handler that records every event.
// Small verbs drive a control as the loop would: pen phases, keys, typing.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "../../kova/plat_src/gui/gui_internal.h"
#include "kova.h"
#include "kova_fixture.h"

struct GuiEventRecord {
  int16_t kind;
  uintptr_t operand, a1, a2, a3, a4, a5;
};

class GuiCtlTest : public KovaTest {
 protected:
  void SetUp() override {
    KovaTest::SetUp();
    HOST_SetOps(&HOST_HEADLESS_OPS);
    HOST_HeadlessReset();
    ASSERT_EQ(0, TXT_Start());
    MakeForm(240, 200, 0);
  }
  void TearDown() override {
    IMG_SurfaceFree(&form_->surface);
    form_.reset();
    while (TXT_Started()) TXT_Stop();
    KovaTest::TearDown();
  }

 public:
  // A fresh form of w x h with the scheme's colours and a surface.
  void MakeForm(int16_t w, int16_t h, uint32_t flags) {
    if (form_) IMG_SurfaceFree(&form_->surface);
    form_ = std::make_unique<GuiForm>();
    form_->type = FCC("FORM");
    form_->flags = flags;
    form_->rect = GfxRect{0, 0, w, h};
    static const int16_t SLOT_SCHEME[7] = {0, 1, 4, 5, 3, 6, 7};
    for (int i = 0; i < 7; i++) form_->colours[i] = GUI_SchemeColour(SLOT_SCHEME[i]);
    form_->handler = Record;
    form_->userValue = uintptr_t(this);
    ASSERT_EQ(0, IMG_SurfaceNew(&form_->surface, w, h, IMG_DEPTH_24));
  }
  GuiForm* Form() { return form_.get(); }

  GuiObject* Add(const char (&kind)[5], FourCC tag, GfxRect rect,
                 std::vector<std::string> strings = {}, uint32_t flags = 0) {
    auto o = std::make_unique<GuiObject>();
    o->kind = FourCC((uint8_t(kind[0]) << 24) | (uint8_t(kind[1]) << 16) | (uint8_t(kind[2]) << 8) |
                     uint8_t(kind[3]));
    o->index = uint16_t(GUI_FIRST_OBJECT_INDEX + form_->objects.size());
    o->id = o->index;
    o->tag = tag;
    o->rect = rect;
    o->strings = std::move(strings);
    o->flags = flags;
    form_->objects.push_back(std::move(o));
    return form_->objects.back().get();
  }
  void Create() { GuiCreateControls(form_.get()); }
  void Draw() { GuiDrawForm(form_.get()); }

  // Input as the loop hands it to a control.
  bool Pen(GuiObject* o, int16_t phase, int x, int y) {
    return GuiControlFor(o->kind)->pen(form_.get(), o, phase, int16_t(x), int16_t(y));
  }
  void Tap(GuiObject* o, int x, int y) {
    Pen(o, 0, x, y);
    Pen(o, 2, x, y);
  }
  bool Key(GuiObject* o, int32_t code) { return GuiControlFor(o->kind)->key(form_.get(), o, code); }
  void Type(GuiObject* o, const std::string& s) {
    for (char ch : s) Key(o, uint8_t(ch));
  }
  std::string Text(FourCC tag) {
    char buffer[512];
    EXPECT_EQ(0, GUI_GetText(form_.get(), tag, buffer, sizeof buffer));
    return buffer;
  }
  int32_t Value(FourCC tag) {
    int32_t v = -99;
    EXPECT_EQ(0, GUI_GetValue(form_.get(), tag, &v));
    return v;
  }
  std::pair<int32_t, int32_t> Selection(FourCC tag) {
    int32_t a = -1, b = -1;
    EXPECT_EQ(0, GUI_GetSelection(form_.get(), tag, &a, &b));
    return {a, b};
  }

  // Pixels.
  uint32_t Pixel(int x, int y) const {
    return IMG_GetPixel(form_->surface, int16_t(x), int16_t(y));
  }
  void Fill(uint32_t rgb) {
    GfxCanvas c = GFX_CanvasFor(form_->surface);
    GFX_FillRect(&c, GfxRect{0, 0, form_->surface->width, form_->surface->height}, rgb);
  }
  // Pixels inside (or outside) `r` that are not `rgb`.
  int Differing(const GfxRect& r, uint32_t rgb, bool inside) const {
    int n = 0;
    for (int y = 0; y < form_->surface->height; y++)
      for (int x = 0; x < form_->surface->width; x++) {
        bool in = x >= r.x && y >= r.y && x < r.x + r.w && y < r.y + r.h;
        if (in == inside && Pixel(x, y) != rgb) n++;
      }
    return n;
  }
  int Count(const GfxRect& r, uint32_t rgb) const {
    int n = 0;
    for (int y = r.y; y < r.y + r.h; y++)
      for (int x = r.x; x < r.x + r.w; x++) n += Pixel(x, y) == rgb;
    return n;
  }

  // Events of one kind that reached the handler.
  std::vector<GuiEventRecord> Events(int16_t kind) const {
    std::vector<GuiEventRecord> out;
    for (const auto& e : events_)
      if (e.kind == kind) out.push_back(e);
    return out;
  }

  std::vector<GuiEventRecord> events_;
  int16_t answer_[128] = {};  // the handler's answer per event kind

 private:
  static int16_t Record(FourCC, GuiForm*, uintptr_t user, uintptr_t operand, int16_t kind,
                        uintptr_t a1, uintptr_t a2, uintptr_t a3, uintptr_t a4, uintptr_t a5) {
    auto* self = reinterpret_cast<GuiCtlTest*>(user);
    self->events_.push_back(GuiEventRecord{kind, operand, a1, a2, a3, a4, a5});
    return kind >= 0 && kind < 128 ? self->answer_[kind] : 0;
  }

  std::unique_ptr<GuiForm> form_;
};
