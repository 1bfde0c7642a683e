// Process entry of the desktop program: the normal launch, no parameters.
#include "phone.h"

int main() {
  int result = AppLaunch(FCC("NORM"), 0, nullptr);
  // The notification registry outlives the launch (the host may broadcast
  // until its stop); it is freed when the process ends its run.
  HOST_NotifyFreeAll();
  return result;
}
