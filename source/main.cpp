// Process entry of the desktop program. Until the desktop host and the forms
// exist, it runs the platform's start and stop sequences and reports what it
// found in the data folder.
#include "kova.h"

int main() {
  if (MEM_Start() != 0) return 1;
  if (DBG_Start() != 0) {
    MEM_Stop();
    return 1;
  }
  Err err = FIL_LayerStart();
  if (err != 0) {
    DBG_Print(FCC("REPO"), "Brantel: the file layer did not start (%hd)\n", int(err));
    DBG_Stop();
    MEM_Stop();
    return 1;
  }
  char path[FIL_PATH_BYTES];
  if (FIL_BuildPath(VOL_DOCUMENTS, path, "!", "", false) == 0)
    DBG_Print(FCC("REPO"), "Brantel: data folder %s\n", path);
  FIL_LayerStop();
  DBG_Stop();
  MEM_Stop();
  return 0;
}
