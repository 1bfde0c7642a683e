// Shared by the device layer's modules (device.cpp finds the device and
// maps its paths, device_copy.cpp copies files both ways).
#pragma once

#include "kova_errors.h"

// Maps a device path ("\Application Data\x") to a host path inside the
// device folder. Returns 0, ERR_OPEN_FAILED without a device, ERR_FILE_PARAM
// for a path over DEV_TEXT_MAX characters, one with "." or ".." elements or
// a "/" inside an element, or one that does not fit `size`.
Err DEV_MapPath(const char* devicePath, char* out, int size);
