// The platform layer as the application sees it: the only header that
// source/ includes.
#pragma once

#include "kova_db.h"
#include "kova_debug.h"
#include "kova_desktop.h"
#include "kova_dialog.h"
#include "kova_errors.h"
#include "kova_file.h"
#include "kova_fmt.h"
#include "kova_gfx.h"
#include "kova_gui.h"
#include "kova_host.h"
#include "kova_image.h"
#include "kova_mem.h"
#include "kova_memo.h"
#include "kova_picker.h"
#include "kova_progress.h"
#include "kova_res.h"
#include "kova_sound.h"
#include "kova_text.h"
#include "kova_types.h"
