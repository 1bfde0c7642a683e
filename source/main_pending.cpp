// The one place for what the list screens hand to modules that are not
// built yet: the contact screens (full view, editor, groups), find, dialing
// and printing. Each entry redraws the list and does nothing else; a module
// that arrives replaces its entries here.
// Owns no state.
#include "main_handler.h"

namespace {

// Commands of the main screen whose screens are still to come.
constexpr FourCC kPendingCommands[] = {
    FCC("Full"),  // the full view of a contact
    FCC("Edit"),  // the record editor
    FCC("Find"),  // the find dialog, and a find over all fields from the category pop-up
    FCC("FndC"),  // find: the contacts of the same company
    FCC("FndD"),  // find: duplicates
    FCC("FndG"),  // find: the members of a group
    FCC("LstG"),  // the links and groups of a contact
    FCC("Prnt"),  // printing and text export
    FCC("Dial"),  // dialing a contact or the pad number
    FCC("Dimm"),  // dialing without asking
    FCC("SMsg"),  // a text message to a contact
    FCC("Mapp"),  // a contact's address on a map
};

// Screens RunCommandDialog opens that are still to come.
constexpr FourCC kPendingDialogs[] = {
    FCC("Edit"),  // the record editor (after "NewI")
    FCC("DCon"),  // the dialing connection
    FCC("DHst"),  // the calling log
    FCC("DPad"),  // the dialing pad screen
    FCC("DPrf"),  // the dialing preferences
    FCC("Silk"),  // the silkscreen buttons dialog
    FCC("Quik"),  // the quick menu "QLst"
};

template <size_t N>
bool listed(const FourCC (&table)[N], FourCC command) {
  for (FourCC c : table)
    if (c == command) return true;
  return false;
}

}  // namespace

bool MainPendingCommand(GuiForm* form, FourCC command, int32_t record, uint16_t flags) {
  (void)record;
  if (!listed(kPendingCommands, command)) return false;
  if (!(flags & MAIN_PENDING_QUIET)) MainListDraw(form, 0);
  return true;
}

bool MainPendingDialog(FourCC command, int32_t record, uint16_t flags) {
  (void)record, (void)flags;
  // Nothing changes until the screen exists; a command no screen will ever
  // take is a slip in a form or menu, worth a debug line.
  if (!listed(kPendingDialogs, command))
    DBG_Print(FCC("scrn"), "RunCommandDialog: no screen for %t\n", command);
  return false;
}
