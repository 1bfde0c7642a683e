// Every error code of the platform, one table, grouped by the high byte:
// 0xF0xx forms, 0xF1xx host, 0xF2xx memory, 0xF3xx images, 0xF4xx application services,
// 0xF6xx files and databases, 0xF8xx debug, 0xFDxx dialing, 0xFExx dialogs.
#pragma once

#include "kova_types.h"

inline constexpr Err ERR_NONE = 0;

// Forms.
inline constexpr Err ERR_FORM_SURFACE = Err(0xF080);  // form drawing surface not created
inline constexpr Err ERR_FORM_CANCELLED = Err(0xF081);  // the user cancelled a platform dialog
inline constexpr Err ERR_FORM_MISSING = Err(0xF082);    // a platform dialog's form cannot be loaded

// Host and notifications.
inline constexpr Err ERR_HOST_NOT_HANDLED = Err(0xF100);  // nobody took the notification
inline constexpr Err ERR_HOST_BACKEND = Err(0xF101);     // the display or backend did not start
inline constexpr Err ERR_HOST_WINDOW = Err(0xF102);      // no main window, or it cannot be made
inline constexpr Err ERR_HOST_CLIPBOARD = Err(0xF103);   // clipboard empty or unavailable
inline constexpr Err ERR_HOST_SOUND = Err(0xF104);       // no sound output
inline constexpr Err ERR_HOST_QUEUE_FULL = Err(0xF105);  // the platform event queue is full

// Memory.
inline constexpr Err ERR_MEM_BAD_ARG = Err(0xF201);    // bad argument to a memory operation
inline constexpr Err ERR_MEM_NOT_READY = Err(0xF202);  // memory manager not set up
inline constexpr Err ERR_MEM_FULL = Err(0xF204);       // allocation failed or block too large

// Application services (print, memo, module globals).
inline constexpr Err ERR_SERVICE = Err(0xF400);           // service failed (memo export)
inline constexpr Err ERR_GLOBALS_MISSING = Err(0xF403);   // module globals key not allocated
inline constexpr Err ERR_PRINT_MISSING = Err(0xF481);     // printing application missing
inline constexpr Err ERR_PRINT_SKIP = Err(0xF483);        // printing skipped silently

// Files and databases.
inline constexpr Err ERR_FILE = Err(0xF600);            // general file failure
inline constexpr Err ERR_FILE_PARAM = Err(0xF601);      // bad parameter
inline constexpr Err ERR_FILE_NOT_READY = Err(0xF603);  // file layer not set up
inline constexpr Err ERR_DISK_FULL = Err(0xF604);       // the file did not grow
inline constexpr Err ERR_OPEN_FAILED = Err(0xF681);     // cannot open
inline constexpr Err ERR_DIR_NOT_FOUND = Err(0xF682);   // directory does not exist
inline constexpr Err ERR_READ = Err(0xF684);            // read failed
inline constexpr Err ERR_WRITE = Err(0xF685);           // write failed
inline constexpr Err ERR_BAD_COUNT = Err(0xF689);       // negative or impossible count
inline constexpr Err ERR_NOT_DATABASE = Err(0xF68A);    // not a database ("Palm") file
inline constexpr Err ERR_BAD_NAME = Err(0xF690);        // file or directory name not usable

// Images and JPEG coding.
inline constexpr Err ERR_IMG_PARAM = Err(0xF301);     // bad surface or argument
inline constexpr Err ERR_IMG_BAD_DATA = Err(0xF302);  // not a JPEG, damaged or truncated
inline constexpr Err ERR_IMG_ABORTED = Err(0xF303);   // the row callback asked to stop

// Debug output.
inline constexpr Err ERR_DEBUG = Err(0xF800);  // debug output failed

// Dialing.
inline constexpr Err ERR_DIAL_UNSUPPORTED = Err(0xFD00);  // not supported on this device
inline constexpr Err ERR_DIAL_NO_HARDWARE = Err(0xFD80);
inline constexpr Err ERR_DIAL_OPEN_LIBRARY = Err(0xFD81);
inline constexpr Err ERR_DIAL_OPEN_PORT = Err(0xFD82);
inline constexpr Err ERR_DIAL_READ = Err(0xFD83);
inline constexpr Err ERR_DIAL_WRITE = Err(0xFD84);
inline constexpr Err ERR_DIAL_BAD_NUMBER = Err(0xFD90);
inline constexpr Err ERR_DIAL_COMMAND = Err(0xFD92);
inline constexpr Err ERR_DIAL_NO_TONE = Err(0xFD93);
inline constexpr Err ERR_DIAL_BUSY = Err(0xFD94);
inline constexpr Err ERR_IRDA_NONE = Err(0xFDA0);
inline constexpr Err ERR_IRDA_BUSY = Err(0xFDA1);
inline constexpr Err ERR_IRDA_CLOSED = Err(0xFDA2);
inline constexpr Err ERR_IRDA_TIMEOUT = Err(0xFDA3);

// Bound dialogs.
inline constexpr Err ERR_DIALOG_BINDING = Err(0xFE00);  // binding list malformed
inline constexpr Err ERR_DIALOG_MARKER = Err(0xFE80);   // unknown binding marker

// A short English name for an error code ("ERR_DISK_FULL"), or null when the
// code is unknown. For tools and debug lines.
const char* ERR_Name(Err err);
