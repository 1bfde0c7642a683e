// Private seams of the bound dialogs: the shape of one binding (its kind,
// argument words and variable width), the object lookup by name or id, the
// object-level value and text access the phases share, and the set and
// write-back phases themselves (gui_dialog*.cpp).
#pragma once

#include <string>

#include "gui_ctl.h"
#include "kova_dialog.h"

// One binding as the walk sees it.
struct DlgBinding {
  uint32_t kind;
  const DialogWord* args;  // the words after the kind
  int width;               // bits of the bound variable: 32, 16 or 8 (0: none)
};

// Number of argument words of `kind`, or -1 for a kind outside the table.
int DlgArgCount(uint32_t kind);
// The variable width of a kind (32, 16, 8; 0 when it binds no variable).
int DlgWidthOf(uint32_t kind);

// The object named by a word: a tag or a 16-bit id. Objects the layout hid
// are found only when no other object matches. Null when none.
GuiObject* DlgFind(const GuiForm* form, DialogWord name);

// Variables of 32, 16 or 8 bits (unsigned) at an address.
uint32_t DlgLoad(const void* address, int width);
void DlgStore(void* address, int width, uint32_t value);

// Object-level access (the object may be one the tag calls cannot reach).
// Values mean what GUI_GetValue / GUI_SetValue say; texts likewise.
int32_t DlgGetValue(const GuiObject* object);
void DlgSetValue(GuiForm* form, GuiObject* object, int32_t value);
std::string DlgGetText(const GuiObject* object);
void DlgSetText(GuiForm* form, GuiObject* object, const std::string& text);

// The phases: copy one binding's variable into its object, and back.
void DlgSetOne(GuiForm* form, const DlgBinding& b);
void DlgWriteOne(GuiForm* form, const DlgBinding& b);
