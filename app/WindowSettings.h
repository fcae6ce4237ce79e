#pragma once
// The main window's bounds and day count in the settings store now live beside the store in
// support/, where the fuzz targets reach them too; this name stays for the main window's files.

#include "support/WindowSettings.h"
