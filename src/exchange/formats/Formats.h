#pragma once

#include "FileFormats.h"

// Each format's name, detection and reader, one file apiece.
extern const FileFormat KelmotFormat;
extern const FileFormat FuelioFormat;
extern const FileFormat ACarFormat;
extern const FileFormat FuellyFormat;
extern const FileFormat SpritmonitorFormat;
extern const FileFormat LubeLoggerFormat;
extern const FileFormat DrivvoFormat;
