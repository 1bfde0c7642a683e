// Names of the platform's error codes, for tools and debug lines. Owns no
// state; the table follows kova_errors.h one line per constant.
#include "kova_errors.h"

namespace {

struct ErrName {
  Err code;
  const char* name;
};

#define ERR_ROW(c) \
  ErrName { c, #c }
constexpr ErrName ERR_NAMES[] = {
    ERR_ROW(ERR_NONE),
    ERR_ROW(ERR_FORM_SURFACE),
    ERR_ROW(ERR_FORM_CANCELLED),
    ERR_ROW(ERR_FORM_MISSING),
    ERR_ROW(ERR_HOST_NOT_HANDLED),
    ERR_ROW(ERR_HOST_BACKEND),
    ERR_ROW(ERR_HOST_WINDOW),
    ERR_ROW(ERR_HOST_CLIPBOARD),
    ERR_ROW(ERR_HOST_SOUND),
    ERR_ROW(ERR_HOST_QUEUE_FULL),
    ERR_ROW(ERR_MEM_BAD_ARG),
    ERR_ROW(ERR_MEM_NOT_READY),
    ERR_ROW(ERR_MEM_FULL),
    ERR_ROW(ERR_SERVICE),
    ERR_ROW(ERR_GLOBALS_MISSING),
    ERR_ROW(ERR_PRINT_MISSING),
    ERR_ROW(ERR_PRINT_SKIP),
    ERR_ROW(ERR_FILE),
    ERR_ROW(ERR_FILE_PARAM),
    ERR_ROW(ERR_FILE_NOT_READY),
    ERR_ROW(ERR_DISK_FULL),
    ERR_ROW(ERR_OPEN_FAILED),
    ERR_ROW(ERR_DIR_NOT_FOUND),
    ERR_ROW(ERR_READ),
    ERR_ROW(ERR_WRITE),
    ERR_ROW(ERR_BAD_COUNT),
    ERR_ROW(ERR_NOT_DATABASE),
    ERR_ROW(ERR_BAD_NAME),
    ERR_ROW(ERR_IMG_PARAM),
    ERR_ROW(ERR_IMG_BAD_DATA),
    ERR_ROW(ERR_IMG_ABORTED),
    ERR_ROW(ERR_DEBUG),
    ERR_ROW(ERR_DIAL_UNSUPPORTED),
    ERR_ROW(ERR_DIAL_NO_HARDWARE),
    ERR_ROW(ERR_DIAL_OPEN_LIBRARY),
    ERR_ROW(ERR_DIAL_OPEN_PORT),
    ERR_ROW(ERR_DIAL_READ),
    ERR_ROW(ERR_DIAL_WRITE),
    ERR_ROW(ERR_DIAL_BAD_NUMBER),
    ERR_ROW(ERR_DIAL_COMMAND),
    ERR_ROW(ERR_DIAL_NO_TONE),
    ERR_ROW(ERR_DIAL_BUSY),
    ERR_ROW(ERR_IRDA_NONE),
    ERR_ROW(ERR_IRDA_BUSY),
    ERR_ROW(ERR_IRDA_CLOSED),
    ERR_ROW(ERR_IRDA_TIMEOUT),
    ERR_ROW(ERR_DIALOG_BINDING),
    ERR_ROW(ERR_DIALOG_MARKER),
};
#undef ERR_ROW

}  // namespace

const char* ERR_Name(Err err) {
  for (const ErrName& row : ERR_NAMES)
    if (row.code == err) return row.name;
  return nullptr;
}
